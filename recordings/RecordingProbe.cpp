#include <unistd.h>

#include <cctype>
#include <cstring>

#include "CheckedFile.h"
#include "ForeignRecording.h"
#include "UtcTime.h"
#include "WavFormat.h"

namespace velorix {

namespace {

bool EndsWith(const std::string& s, const char* end) {
    const std::size_t n = std::strlen(end);
    return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

// The first `n` bytes of a file, or fewer when it is shorter.
std::string Head(const std::string& path, std::size_t n) {
    const auto in = files::OpenInput(path, files::kNoLimit);
    if (!in) return {};
    std::string bytes(n, '\0');
    const ssize_t got = ::pread(in->handle.Get(), bytes.data(), n, 0);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

// A decimal number of `digits` digits (0: any count) starting at `at`, up
// to `end`; `at` moves past it.
bool Number(const std::string& s, std::size_t& at, std::size_t digits, long long& value) {
    const std::size_t from = at;
    value = 0;
    while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])) && value < 1e15)
        value = value * 10 + (s[at++] - '0');
    return at > from && (digits == 0 || at - from == digits);
}

// "gqrx_YYYYMMDD_HHMMSS_FREQ_RATE_fc.raw": GQRX's name for a raw recording,
// its time in UTC.
bool ParseGqrxName(const std::string& name, ForeignRecording& r) {
    std::size_t at = 0;
    long long date = 0, time = 0, freq = 0, rate = 0;
    if (name.rfind("gqrx_", 0) != 0) return false;
    at = 5;
    if (!Number(name, at, 8, date) || name[at++] != '_' || !Number(name, at, 6, time) ||
        name[at++] != '_' || !Number(name, at, 0, freq) || name[at++] != '_' ||
        !Number(name, at, 0, rate) || name.compare(at, std::string::npos, "_fc.raw") != 0 ||
        rate == 0)
        return false;
    const auto utc = UtcSeconds(static_cast<int>(date / 10000), static_cast<int>(date / 100 % 100),
                                static_cast<int>(date % 100), static_cast<int>(time / 10000),
                                static_cast<int>(time / 100 % 100), static_cast<int>(time % 100));
    if (!utc) return false;
    r.times.push_back({0, *utc});
    r.centreHz = static_cast<double>(freq);
    r.rateHz = static_cast<double>(rate);
    return true;
}

}  // namespace

bool IsVelorixRecording(const std::string& path) {
    const std::string head = Head(path, kWavHeaderBytes);
    WavHeader header;
    return ParseWavHeader(reinterpret_cast<const std::uint8_t*>(head.data()), head.size(),
                          header) == WavHeaderStatus::Ok;
}

bool ProbeRawCf32(const std::string& path, ForeignRecording& out, std::string& error) {
    files::FileProblem problem;
    const auto in = files::OpenInput(path, files::kNoLimit, &problem);
    if (!in) {
        error = problem.Describe(path);
        return false;
    }
    ForeignRecording r;
    r.kind = "GQRX raw";
    r.dataPath = path;
    r.encoding = IqEncoding::CF32;
    const auto slash = path.find_last_of('/');
    ParseGqrxName(path.substr(slash == std::string::npos ? 0 : slash + 1), r);
    if (in->size % 8 != 0) {
        error = path + ": truncated: its " + std::to_string(in->size) +
                " bytes are not a whole number of 8-byte cf32 samples";
        return false;
    }
    r.samples = in->size / 8;
    out = std::move(r);
    return true;
}

bool ProbeRecording(const std::string& path, ForeignRecording& out, std::string& error) {
    if (EndsWith(path, ".sigmf-meta") || EndsWith(path, ".sigmf-data"))
        return ProbeSigmf(path, out, error);
    files::FileProblem problem;
    if (!files::OpenInput(path, files::kNoLimit, &problem)) {
        error = problem.Describe(path);
        return false;
    }
    const std::string head = Head(path, 12);
    if (head.size() == 12 && head.compare(0, 4, "RIFF") == 0 && head.compare(8, 4, "WAVE") == 0) {
        if (IsVelorixRecording(path)) {
            error = path + ": a velorix recording already: it plays as it is";
            return false;
        }
        return ProbeWavIq(path, out, error);
    }
    return ProbeRawCf32(path, out, error);
}

}  // namespace velorix

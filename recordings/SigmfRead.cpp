// A SigMF recording's metadata, read as far as velorix plays it: the
// datatype, rate, the first capture's centre, the captures' times, and a
// velorix recording's own front end.
#include <nlohmann/json.hpp>

#include "CheckedFile.h"
#include "ForeignRecording.h"
#include "SigmfNames.h"
#include "UtcTime.h"

namespace velorix {

namespace {

using nlohmann::json;

bool EndsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// A field's value as the file has it, for messages.
std::string Shown(const json& value) {
    std::string text = value.dump();
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return text;
}

// Reads one recording's metadata; each failure names its field.
class MetaReader {
public:
    MetaReader(const std::string& metaPath, std::string& error) : path_(metaPath), error_(error) {}

    // Bytes after the last sample that are not samples.
    std::uint64_t TrailingBytes() const { return trailingBytes_; }

    bool Fail(const std::string& what) {
        error_ = path_ + ": " + what;
        return false;
    }

    bool Read(const json& root, ForeignRecording& out) {
        if (!root.is_object()) return Fail("not a SigMF metadata object");
        const auto global = root.find("global");
        if (global == root.end() || !global->is_object()) return Fail("global is missing");
        if (!ReadGlobal(*global, out)) return false;
        const auto captures = root.find("captures");
        if (captures != root.end() && !ReadCaptures(*captures, out)) return false;
        return true;
    }

private:
    bool ReadGlobal(const json& g, ForeignRecording& out) {
        const auto type = g.find("core:datatype");
        if (type == g.end()) return Fail("core:datatype is missing");
        const auto encoding =
            type->is_string() ? SigmfDatatype(type->get<std::string>()) : std::nullopt;
        if (!encoding)
            return Fail("core:datatype " + Shown(*type) +
                        " cannot be read: velorix reads ci8, cu8, ci16_le, ci32_le and cf32_le");
        out.encoding = *encoding;
        if (const auto rate = g.find("core:sample_rate"); rate != g.end()) {
            if (!rate->is_number() || !(rate->get<double>() > 0.0) || rate->get<double>() > 1e12)
                return Fail("core:sample_rate " + Shown(*rate) + " is no sample rate");
            out.rateHz = rate->get<double>();
        }
        if (const auto n = g.find("core:num_channels"); n != g.end() && *n != 1)
            return Fail("core:num_channels is " + Shown(*n) + ": only one channel can be read");
        if (const auto set = g.find("core:dataset"); set != g.end()) {
            if (!set->is_string() || set->get<std::string>().empty() ||
                set->get<std::string>().find('/') != std::string::npos)
                return Fail("core:dataset " + Shown(*set) + " is no file name");
            const auto slash = path_.find_last_of('/');
            out.dataPath = path_.substr(0, slash == std::string::npos ? 0 : slash + 1) +
                           set->get<std::string>();
        }
        if (const auto t = g.find("core:trailing_bytes"); t != g.end()) {
            if (!t->is_number_unsigned())
                return Fail("core:trailing_bytes " + Shown(*t) + " is no count");
            trailingBytes_ = t->get<std::uint64_t>();
        }
        return ReadExtension(g, out);
    }

    bool ReadExtension(const json& g, ForeignRecording& out) {
        const auto list = g.find("core:extensions");
        if (list == g.end() || !list->is_array()) return true;
        bool declared = false;
        for (const json& e : *list)
            declared |= e.is_object() && e.value("name", json()) == sigmf::kExtension;
        if (!declared) return true;
        FrontEndState fe;
        const auto att = g.find(sigmf::kAttenuator);
        if (att == g.end()) return Fail(std::string(sigmf::kAttenuator) + " is missing");
        const int dB = att->is_number_integer() ? att->get<int>() : -1;
        if (dB != 0 && dB != 10 && dB != 20 && dB != 30)
            return Fail(std::string(sigmf::kAttenuator) + " " + Shown(*att) +
                        " is none of 0, 10, 20, 30");
        fe.attenuatorIdx = dB / 10;
        for (auto [name, flag] :
             {std::pair{sigmf::kPreamp, &fe.preamp}, std::pair{sigmf::kDither, &fe.dither},
              std::pair{sigmf::kPreselector, &fe.preselector}}) {
            const auto v = g.find(name);
            if (v == g.end() || !v->is_boolean())
                return Fail(std::string(name) +
                            (v == g.end() ? " is missing" : " is not true or false"));
            *flag = v->get<bool>();
        }
        out.frontEnd = fe;
        // An exported velorix recording as floats holds every bit it had.
        out.receiverBits = out.encoding == IqEncoding::CF32 || out.encoding == IqEncoding::CI32;
        return true;
    }

    bool ReadCaptures(const json& captures, ForeignRecording& out) {
        if (!captures.is_array()) return Fail("captures is not an array");
        std::uint64_t previous = 0;
        for (std::size_t i = 0; i < captures.size(); ++i) {
            const json& c = captures[i];
            const std::string where = "captures[" + std::to_string(i) + "]: ";
            if (!c.is_object()) return Fail(where + "not an object");
            const auto start = c.find("core:sample_start");
            if (start == c.end()) return Fail(where + "core:sample_start is missing");
            if (!start->is_number_unsigned())
                return Fail(where + "core:sample_start " + Shown(*start) + " is no sample index");
            const auto sample = start->get<std::uint64_t>();
            if (sample < previous) return Fail(where + "captures are not in sample order");
            previous = sample;
            if (const auto h = c.find("core:header_bytes"); h != c.end() && *h != 0)
                return Fail(where + "core:header_bytes: headers inside the data are not supported");
            if (const auto f = c.find("core:frequency"); f != c.end()) {
                if (!f->is_number())
                    return Fail(where + "core:frequency " + Shown(*f) + " is no frequency");
                if (!out.centreHz) {
                    out.centreHz = f->get<double>();
                } else if (f->get<double>() != *out.centreHz) {
                    return Fail(where + "core:frequency " + Shown(*f) +
                                " differs from the first capture's: velorix plays one centre");
                }
            }
            if (const auto d = c.find("core:datetime"); d != c.end()) {
                const auto utc = d->is_string() ? ParseIsoUtc(d->get<std::string>()) : std::nullopt;
                if (!utc)
                    return Fail(where + "core:datetime " + Shown(*d) +
                                " is no RFC 3339 time (YYYY-MM-DDTHH:MM:SSZ)");
                out.times.push_back({sample, *utc});
            }
        }
        return true;
    }

    const std::string& path_;
    std::string& error_;
    std::uint64_t trailingBytes_ = 0;
};

}  // namespace

bool ProbeSigmf(const std::string& path, ForeignRecording& out, std::string& error) {
    const std::string meta = sigmf::kMetaSuffix;
    std::string base = path;
    if (EndsWith(path, meta))
        base.resize(path.size() - meta.size());
    else if (EndsWith(path, sigmf::kDataSuffix))
        base.resize(path.size() - std::string(sigmf::kDataSuffix).size());
    const std::string metaPath = base + meta;
    files::FileProblem problem;
    const auto text = files::ReadInput(metaPath, files::kSigmfMetaLimit, &problem);
    if (!text) {
        error = problem.Describe(metaPath);
        return false;
    }
    json root;
    try {
        root = json::parse(*text);
    } catch (const json::parse_error& e) {
        // "[json.exception.parse_error.101] parse error at line 3, column 5: …"
        const std::string what = e.what();
        const auto cut = what.find("] ");
        error = metaPath +
                ": not valid JSON: " + (cut == std::string::npos ? what : what.substr(cut + 2));
        return false;
    }
    ForeignRecording r;
    r.kind = "SigMF";
    r.dataPath = base + sigmf::kDataSuffix;
    MetaReader reader(metaPath, error);
    if (!reader.Read(root, r)) return false;

    const auto data = files::OpenInput(r.dataPath, files::kNoLimit, &problem);
    if (!data) {
        error = problem.Describe(r.dataPath);
        return false;
    }
    const std::uint64_t bytes =
        data->size > reader.TrailingBytes() ? data->size - reader.TrailingBytes() : 0;
    const int sampleBytes = IqSampleBytes(r.encoding);
    if (bytes % sampleBytes != 0) {
        error = r.dataPath + ": truncated: its " + std::to_string(bytes) +
                " bytes are not a whole number of " + std::to_string(sampleBytes) + "-byte " +
                SigmfDatatypeName(r.encoding) + " samples";
        return false;
    }
    r.samples = bytes / sampleBytes;
    // Captures past the end of the data describe nothing.
    std::erase_if(r.times,
                  [&](const TimeMark& t) { return t.sample > 0 && t.sample >= r.samples; });
    out = std::move(r);
    return true;
}

}  // namespace velorix

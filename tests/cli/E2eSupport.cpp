#include "E2eSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numbers>
#include <sstream>

namespace velorix::e2e {

namespace fs = std::filesystem;

std::string CliPath() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return (self.parent_path() / "velorix-cli").string();
}

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// In-place radix-2 FFT; n is a power of two.
void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double ang = -2.0 * std::numbers::pi / static_cast<double>(len);
        for (size_t i = 0; i < n; i += len) {
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> w = std::polar(1.0, ang * static_cast<double>(k));
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

size_t Bin(const Spectrum& s, double hz) {
    const double b = std::round(hz / s.binHz);
    if (b < 0) return 0;
    return std::min(static_cast<size_t>(b), s.power.size() - 1);
}

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    char errName[] = "/tmp/velorix-e2e-errXXXXXX";
    const int errFd = ::mkstemp(errName);
    RunResult r;
    if (errFd < 0) {
        ADD_FAILURE() << "cannot make a file for stderr";
        return r;
    }
    ::close(errFd);
    std::string cmd = Quote(program);
    // Appended piecewise: GCC 12 misreads "literal" + std::string&& (-Wrestrict).
    for (const auto& a : args)
        cmd.append(1, ' ').append(Quote(a));
    cmd.append(" 2>").append(Quote(errName));
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) {
        ADD_FAILURE() << "cannot run " << cmd;
        ::unlink(errName);
        return r;
    }
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        r.out.append(buf, n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = Slurp(errName);
    ::unlink(errName);
    return r;
}

RunResult RunCli(const std::vector<std::string>& args) {
    return RunProgram(CliPath(), args);
}

std::string Synthesize(const test::TempDir& dir, const std::string& scenarioText, double centerHz,
                       double seconds, const std::vector<std::string>& extra) {
    const std::string scenario = dir.Write("band.txt", scenarioText);
    std::vector<std::string> args = {"--scenario",   scenario,
                                     "--synthesize", (dir / "band.wav"),
                                     "--tune",       std::to_string(std::llround(centerHz)),
                                     "--seconds",    std::to_string(seconds)};
    args.insert(args.end(), extra.begin(), extra.end());
    const RunResult r = RunCli(args);
    if (r.code != 0) {
        ADD_FAILURE() << "synthesis failed (" << r.code << "): " << r.err;
        return "";
    }
    const std::string path = (dir / "band_000.wav");
    if (!fs::exists(path)) ADD_FAILURE() << "no recording written: " << r.out;
    return path;
}

StereoAudio ReadStereoWav(const std::string& path) {
    const std::string b = Slurp(path);
    auto u16 = [&](size_t at) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at]) |
                                          (static_cast<std::uint8_t>(b[at + 1]) << 8));
    };
    auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
    StereoAudio a;
    if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) {
        ADD_FAILURE() << path << " is not a WAV file";
        return a;
    }
    int channels = 0, bits = 0;
    for (size_t at = 12; at + 8 <= b.size();) {
        const std::string id = b.substr(at, 4);
        const size_t len = u32(at + 4);
        const size_t body = at + 8;
        if (id == "fmt " && body + 16 <= b.size()) {
            channels = static_cast<int>(u16(body + 2));
            a.rateHz = static_cast<int>(u32(body + 4));
            bits = static_cast<int>(u16(body + 14));
        } else if (id == "data") {
            if (channels != 2 || bits != 16) {
                ADD_FAILURE() << path << ": " << channels << " channels of " << bits << " bits";
                return {};
            }
            const size_t end = std::min(b.size(), body + len);
            for (size_t i = body; i + 4 <= end; i += 4) {
                a.left.push_back(static_cast<std::int16_t>(u16(i)) / 32768.0);
                a.right.push_back(static_cast<std::int16_t>(u16(i + 2)) / 32768.0);
            }
            return a;
        }
        at = body + len + (len & 1);
    }
    ADD_FAILURE() << path << " has no data chunk";
    return {};
}

Spectrum Welch(const std::vector<double>& x, size_t from, int rateHz, size_t segment,
               const std::vector<double>* y) {
    Spectrum s;
    s.binHz = static_cast<double>(rateHz) / static_cast<double>(segment);
    s.power.assign(segment / 2 + 1, 0.0);
    if (y != nullptr) s.cross.assign(segment / 2 + 1, {0.0, 0.0});
    std::vector<double> window(segment);
    double wsum = 0.0;
    for (size_t i = 0; i < segment; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                         static_cast<double>(segment));
        wsum += window[i] * window[i];
    }
    // A sine of amplitude A sums to A^2/2 over its main lobe with this scaling.
    const double scale = 2.0 / (wsum * static_cast<double>(segment));
    int count = 0;
    std::vector<std::complex<double>> fx(segment), fy(segment);
    for (size_t start = from; start + segment <= x.size(); start += segment / 2) {
        for (size_t i = 0; i < segment; ++i) {
            fx[i] = x[start + i] * window[i];
            if (y != nullptr) fy[i] = (*y)[start + i] * window[i];
        }
        Fft(fx);
        if (y != nullptr) Fft(fy);
        for (size_t k = 0; k < s.power.size(); ++k) {
            s.power[k] += std::norm(fx[k]) * scale;
            if (y != nullptr) s.cross[k] += fx[k] * std::conj(fy[k]);
        }
        ++count;
    }
    if (count == 0) {
        ADD_FAILURE() << "too little audio for the spectrum: " << x.size() << " samples";
        return s;
    }
    for (auto& p : s.power)
        p /= count;
    return s;
}

double PeakHz(const Spectrum& s, double loHz, double hiHz) {
    size_t best = Bin(s, loHz);
    for (size_t k = Bin(s, loHz); k <= Bin(s, hiHz); ++k)
        if (s.power[k] > s.power[best]) best = k;
    if (best == 0 || best + 1 >= s.power.size()) return static_cast<double>(best) * s.binHz;
    const double a = std::log(s.power[best - 1] + 1e-300);
    const double b = std::log(s.power[best] + 1e-300);
    const double c = std::log(s.power[best + 1] + 1e-300);
    const double d = 0.5 * (a - c) / (a - 2.0 * b + c);
    return (static_cast<double>(best) + d) * s.binHz;
}

double BandPower(const Spectrum& s, double loHz, double hiHz) {
    double sum = 0.0;
    for (size_t k = Bin(s, loHz); k <= Bin(s, hiHz); ++k)
        sum += s.power[k];
    return sum;
}

double ToneLevelDb(const Spectrum& s, double toneHz) {
    return 10.0 *
           std::log10(BandPower(s, toneHz - 4 * s.binHz, toneHz + 4 * s.binHz) / 0.5 + 1e-30);
}

double ToneSnrDb(const Spectrum& s, double toneHz, double loHz, double hiHz) {
    const double tone = BandPower(s, toneHz - 4 * s.binHz, toneHz + 4 * s.binHz);
    double noise = 0.0;
    size_t used = 0, all = 0;
    for (size_t k = Bin(s, loHz); k <= Bin(s, hiHz); ++k) {
        ++all;
        const double hz = static_cast<double>(k) * s.binHz;
        const double h = std::round(hz / toneHz);
        if (h >= 1.0 && std::abs(hz - h * toneHz) <= 5 * s.binHz) continue;
        noise += s.power[k];
        ++used;
    }
    if (used == 0) return 0.0;
    noise *= static_cast<double>(all) / static_cast<double>(used);
    return 10.0 * std::log10(tone / (noise + 1e-30));
}

namespace {

// Reads "D+.D" (digits, a point, one digit) at `p`; advances `p`.
bool ReadDecimal(const std::string& l, size_t& p, double& value) {
    const size_t start = p;
    if (p < l.size() && l[p] == '-') ++p;
    const size_t digits = p;
    while (p < l.size() && std::isdigit(static_cast<unsigned char>(l[p])))
        ++p;
    if (p == digits || p + 1 >= l.size() || l[p] != '.' ||
        !std::isdigit(static_cast<unsigned char>(l[p + 1])))
        return false;
    p += 2;
    value = std::stod(l.substr(start, p - start));
    return true;
}

bool Take(const std::string& l, size_t& p, const char* text) {
    const size_t n = std::strlen(text);
    if (l.compare(p, n, text) != 0) return false;
    p += n;
    return true;
}

}  // namespace

bool ParseMeterLine(const std::string& l, MeterLine& out) {
    // "<t> s  <level> dBm  S<n>[+<dd>][  LOCK][  ADC CLIP]", level as %6.1f.
    size_t p = 0;
    MeterLine m{};
    if (!ReadDecimal(l, p, m.seconds) || l.compare(p, 3, " s ") != 0) return false;
    p += 3;
    while (p < l.size() && l[p] == ' ')
        ++p;
    if (!ReadDecimal(l, p, m.levelDbm) || !Take(l, p, " dBm  S")) return false;
    if (p >= l.size() || !std::isdigit(static_cast<unsigned char>(l[p]))) return false;
    ++p;
    if (p < l.size() && l[p] == '+') {
        ++p;
        const size_t digits = p;
        while (p < l.size() && std::isdigit(static_cast<unsigned char>(l[p])))
            ++p;
        if (p == digits) return false;
    }
    m.lock = Take(l, p, "  LOCK");
    Take(l, p, "  ADC CLIP");
    if (p != l.size()) return false;
    out = m;
    return true;
}

std::vector<MeterLine> MeterLines(const std::string& out) {
    std::vector<MeterLine> lines;
    std::istringstream in(out);
    MeterLine m{};
    for (std::string l; std::getline(in, l);)
        if (ParseMeterLine(l, m)) lines.push_back(m);
    return lines;
}

std::string Squeeze(const std::string& text) {
    std::string s;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (blank) {
            if (!s.empty() && s.back() != ' ') s += ' ';
        } else {
            s += c;
        }
    }
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

}  // namespace velorix::e2e

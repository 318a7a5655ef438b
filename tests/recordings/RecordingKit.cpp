#include "RecordingKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "ChildProcess.h"
#include "TempDir.h"

namespace velorix::test {

std::vector<std::uint8_t> CarrierFrames(std::size_t count, double rateHz, double offsetHz,
                                        double levelDb, std::size_t start) {
    std::vector<std::uint8_t> frames(count * 6);
    const double amplitude = 8388608.0 * std::pow(10.0, levelDb / 20.0);
    for (std::size_t n = 0; n < count; ++n) {
        const double phase = 2.0 * std::numbers::pi * offsetHz * double(start + n) / rateHz;
        for (int part = 0; part < 2; ++part) {
            const double v = amplitude * (part == 0 ? std::cos(phase) : std::sin(phase));
            const long raw = std::clamp(std::lround(v), -8388608L, 8388607L);
            for (int b = 0; b < 3; ++b)
                frames[n * 6 + part * 3 + b] = static_cast<std::uint8_t>(raw >> (8 * b));
        }
    }
    return frames;
}

void WriteRecording(const std::string& path, const WavReceiverInfo& info,
                    const std::vector<std::uint8_t>& frames) {
    WavHeaderImage header = BuildWavHeader(info);
    SetWavSizes(header, static_cast<std::uint32_t>(frames.size()));
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    WriteAll(path, bytes);
}

Recording ReadRecording(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadAll(path);
    Recording r;
    EXPECT_EQ(ParseWavHeader(bytes.data(), bytes.size(), r.header), WavHeaderStatus::Ok) << path;
    if (bytes.size() >= kWavHeaderBytes)
        r.frames.assign(bytes.begin() + kWavHeaderBytes, bytes.end());
    EXPECT_EQ(r.frames.size(), r.header.dataBytes) << path;
    return r;
}

std::vector<std::complex<double>> Recording::Samples() const {
    std::vector<std::complex<double>> x(frames.size() / 6);
    auto raw = [&](std::size_t at) {
        const std::uint32_t u = frames[at] | frames[at + 1] << 8 | frames[at + 2] << 16;
        return static_cast<std::int32_t>(u << 8) >> 8;
    };
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = std::complex<double>(raw(6 * n), raw(6 * n + 3)) / 8388608.0;
    return x;
}

namespace {

// The component at `offsetHz` over samples [from, from + count), its phase
// counted from sample 0.
std::complex<double> Dft(const std::vector<std::complex<double>>& x, double rateHz, double offsetHz,
                         std::size_t from, std::size_t count) {
    std::complex<double> sum = 0.0;
    for (std::size_t n = from; n < from + count; ++n)
        sum += x[n] * std::polar(1.0, -2.0 * std::numbers::pi * offsetHz * double(n) / rateHz);
    return sum / double(count);
}

}  // namespace

double LevelDb(const std::vector<std::complex<double>>& x, double rateHz, double offsetHz,
               std::size_t from, std::size_t count) {
    return 20.0 * std::log10(std::abs(Dft(x, rateHz, offsetHz, from, count)) + 1e-300);
}

double CarrierHz(const std::vector<std::complex<double>>& x, double rateHz, double offsetHz,
                 std::size_t from, std::size_t count) {
    const std::size_t half = count / 2;
    const double turn = std::arg(Dft(x, rateHz, offsetHz, from + half, half) /
                                 Dft(x, rateHz, offsetHz, from, half));
    return offsetHz + turn / (2.0 * std::numbers::pi) * rateHz / double(half);
}

ToolRun RunTool(const std::vector<std::string>& argv) {
    static int runs = 0;
    const std::string outPath =
        std::filesystem::temp_directory_path() /
        ("velorix-tool-" + std::to_string(::getpid()) + "-" + std::to_string(runs++) + ".out");
    ToolRun run;
    {
        ChildProcess child(argv, outPath);
        run.code = child.Wait().value_or(-1);
    }
    std::ifstream in(outPath);
    run.out.assign(std::istreambuf_iterator<char>(in), {});
    std::filesystem::remove(outPath);
    return run;
}

ToolRun RunScript(const std::string& script, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/python3",
                                     std::string(VELORIX_RECORDINGS_TEST_DIR) + "/" + script};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunTool(argv);
}

std::map<std::string, double> Values(const std::string& line) {
    std::map<std::string, double> values;
    std::istringstream in(line);
    std::string item;
    while (in >> item)
        if (const auto eq = item.find('='); eq != std::string::npos)
            values[item.substr(0, eq)] = std::atof(item.c_str() + eq + 1);
    return values;
}

}  // namespace velorix::test

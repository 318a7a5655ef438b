#include "SigmfExport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "RecordingImport.h"
#include "RecordingKit.h"
#include "TempDir.h"

namespace velorix {
namespace {

using test::ReadRecording;
using test::TempDir;

constexpr double kRate = 125000.0;
constexpr std::uint32_t kStart = 1709528767;  // 2024-03-04T05:06:07Z

WavReceiverInfo Info(std::uint32_t start) {
    WavReceiverInfo info;
    info.centerFreqHz = 7100000;
    info.rateIdx = 0;
    info.startTime = start;
    info.attenuatorIdx = 1;
    info.preamp = 1;
    info.preselector = 1;
    return info;
}

// The metadata passes the SigMF 1.2 schema, and numpy reading the samples
// finds the carrier at its frequency and level, and at its level in dBm by
// the velorix extension's calibration: 10 dB attenuator with the preamp
// (+8.52 dBm at full scale) and the 6.0-8.4 MHz preselector band (1.1 dB).
TEST(SigmfExport, PassesTheSchemaAndNumpyFindsTheCarrier) {
    TempDir dir("sigmf-judge");
    test::WriteRecording(dir / "rec_000.wav", Info(kStart),
                         test::CarrierFrames(8 * 1024, kRate, 31250.0, -20.0));
    for (const bool asFloat : {false, true}) {
        ExportResult result;
        std::string error;
        ASSERT_TRUE(ExportSigmf({.recording = dir / "rec_000.wav",
                                 .outBase = dir / (asFloat ? "cf32" : "ci16"),
                                 .asFloat = asFloat},
                                result, error))
            << error;
    }
    const test::ToolRun judge =
        test::RunScript("sigmf_judge.py", {"7131250", dir / "ci16", dir / "cf32"});
    ASSERT_EQ(judge.code, 0) << judge.out;
    std::istringstream lines(judge.out);
    for (const char* datatype : {"ci16_le", "cf32_le"}) {
        SCOPED_TRACE(datatype);
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        const auto v = test::Values(line);
        EXPECT_NEAR(v.at("peak_hz"), 7131250.0, 2.0);
        EXPECT_NEAR(v.at("level_dbfs"), -20.0, 0.1);
        EXPECT_NEAR(v.at("dbm"), -20.0 + 8.52 + 1.1, 0.1);
        EXPECT_EQ(v.at("samples"), 8 * 1024);
    }
}

// A series of three files, the third an hour after the second, goes out as
// two captures and comes back as the same 24-bit samples: bit for bit as
// floats, within half a 16-bit step as ci16 except where it was held at
// full scale, which it never wraps past.
TEST(SigmfExport, RoundTripGivesTheRecordingBack) {
    TempDir dir("sigmf-round");
    const std::size_t n = 4 * 1024;
    std::vector<std::uint8_t> all;
    for (int file = 0; file < 3; ++file) {
        auto frames = test::CarrierFrames(n, kRate, -12345.0, -0.5, file * n);
        // The converter's extremes, and its overload mark on one of them.
        const std::uint8_t top[6] = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80};
        std::copy(top, top + 6, frames.begin() + 600);
        const std::uint32_t start = kStart + (file == 2 ? 3600 : 0) + file * n / 125000;
        test::WriteRecording(dir / ("s_00" + std::to_string(file) + ".wav"), Info(start), frames);
        all.insert(all.end(), frames.begin(), frames.end());
    }
    for (const bool asFloat : {true, false}) {
        SCOPED_TRACE(asFloat ? "cf32_le" : "ci16_le");
        ExportResult exported;
        std::string error;
        ASSERT_TRUE(ExportSigmf({.recording = dir / "s_000.wav",
                                 .outBase = dir / "x",
                                 .asFloat = asFloat,
                                 .overwrite = true},
                                exported, error))
            << error;
        EXPECT_EQ(exported.inputs.size(), 3u);
        EXPECT_EQ(exported.captures, 2u);
        ImportPlan plan;
        ImportProblem problem;
        ASSERT_TRUE(
            PlanImport({.input = dir / "x.sigmf-meta", .outBase = dir / "back", .overwrite = true},
                       plan, problem, error))
            << error;
        ImportResult imported;
        ASSERT_EQ(RunImport(plan, nullptr, imported, error), ImportStatus::Done) << error;
        ASSERT_EQ(imported.files.size(), 2u);
        const test::Recording first = ReadRecording(imported.files[0]);
        const test::Recording second = ReadRecording(imported.files[1]);
        for (const test::Recording* r : {&first, &second}) {
            EXPECT_EQ(r->header.info.centerFreqHz, 7100000u);
            EXPECT_EQ(r->header.info.rateIdx, 0u);
            EXPECT_EQ(r->header.info.attenuatorIdx, 1);
            EXPECT_EQ(r->header.info.preamp, 1);
            EXPECT_EQ(r->header.info.preselector, 1);
            EXPECT_EQ(r->header.info.dither, 0);
        }
        EXPECT_EQ(first.header.info.startTime, kStart);
        EXPECT_EQ(second.header.info.startTime, kStart + 3600 + 2 * n / 125000);
        std::vector<std::uint8_t> back = first.frames;
        back.insert(back.end(), second.frames.begin(), second.frames.end());
        ASSERT_EQ(back.size(), all.size());
        if (asFloat) {
            EXPECT_TRUE(back == all);
            continue;
        }
        const auto a = test::Recording{{}, all}.Samples();
        const auto b = test::Recording{{}, back}.Samples();
        for (std::size_t i = 0; i < a.size(); ++i) {
            const double di = std::abs(a[i].real() - b[i].real()) * 8388608.0;
            const double dq = std::abs(a[i].imag() - b[i].imag()) * 8388608.0;
            if (i % n == 100) {  // held at 32767 · 256, not wrapped
                EXPECT_EQ(b[i].real() * 8388608.0, 8388352.0);
                EXPECT_EQ(b[i].imag(), -1.0);
                continue;
            }
            ASSERT_LE(std::max(di, dq), 128.0) << i;
        }
    }
}

TEST(SigmfExport, NeverWritesOverAndReadsOnlyVelorixRecordings) {
    TempDir dir("sigmf-refuse");
    test::WriteRecording(dir / "r_000.wav", Info(kStart), test::CarrierFrames(1024, kRate, 0, -6));
    ExportResult result;
    std::string error;
    ASSERT_TRUE(ExportSigmf({.recording = dir / "r_000.wav", .outBase = dir / "r"}, result, error));
    const auto before = test::ReadAll(dir / "r.sigmf-data");
    EXPECT_FALSE(ExportSigmf(
        {.recording = dir / "r_000.wav", .outBase = dir / "r", .asFloat = true}, result, error));
    EXPECT_EQ(error, dir / "r.sigmf-meta" + ": File exists (give --overwrite to write over it)");
    EXPECT_EQ(test::ReadAll(dir / "r.sigmf-data"), before);

    test::WriteAll(dir / "music.wav", std::vector<std::uint8_t>(200, 0));
    EXPECT_FALSE(
        ExportSigmf({.recording = dir / "music.wav", .outBase = dir / "m"}, result, error));
    EXPECT_EQ(error, dir / "music.wav" + ": not a velorix recording (no \"rcvr\" header)");
    EXPECT_FALSE(std::filesystem::exists(dir / "m.sigmf-meta"));
}

}  // namespace
}  // namespace velorix

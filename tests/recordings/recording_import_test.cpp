#include "RecordingImport.h"

#include <gtest/gtest.h>

#include "RecordingKit.h"
#include "TempDir.h"

namespace velorix {
namespace {

using test::TempDir;

struct Imported {
    ImportPlan plan;
    std::vector<test::Recording> files;
};

// Plans and runs an import of `input` into dir/out_NNN.wav.
Imported Import(const TempDir& dir, const std::string& input, ImportRequest request = {}) {
    request.input = input;
    request.outBase = dir / "out";
    request.overwrite = true;
    Imported r;
    ImportProblem problem;
    std::string error;
    EXPECT_TRUE(PlanImport(request, r.plan, problem, error)) << error;
    ImportResult result;
    EXPECT_EQ(RunImport(r.plan, nullptr, result, error), ImportStatus::Done) << error;
    for (const std::string& file : result.files)
        r.files.push_back(test::ReadRecording(file));
    return r;
}

// Foreign recordings made by make_foreign.py, all in one run.
struct Foreign {
    std::string kind, path;
    std::vector<std::string> args;
};
void Make(const std::vector<Foreign>& files) {
    std::vector<std::string> all;
    for (const Foreign& f : files) {
        if (!all.empty()) all.push_back("+");
        all.push_back(f.kind);
        all.push_back(f.path);
        all.insert(all.end(), f.args.begin(), f.args.end());
    }
    ASSERT_EQ(test::RunScript("make_foreign.py", all).code, 0);
}

// The carrier of an imported recording: at `offsetHz` and `levelDb`, the
// file at `rateIdx` with `centreHz` and start time `utc`.
void ExpectCarrier(const Imported& r, int rateIdx, std::uint32_t centreHz, std::uint32_t utc,
                   double offsetHz, double levelDb) {
    ASSERT_EQ(r.files.size(), 1u);
    const test::Recording& f = r.files[0];
    EXPECT_EQ(f.header.info.rateIdx, static_cast<std::uint32_t>(rateIdx));
    EXPECT_EQ(f.header.info.centerFreqHz, centreHz);
    EXPECT_EQ(f.header.info.startTime, utc);
    EXPECT_EQ(f.header.info.attenuatorIdx, 0);
    EXPECT_EQ(f.header.info.preselector + f.header.info.preamp + f.header.info.dither, 0);
    EXPECT_EQ(f.frames.size() % 6144, 0u);
    const auto x = f.Samples();
    const double rate = WavRateHz(f.header.info.rateIdx);
    // Away from both ends, where the carrier starts and stops abruptly.
    const std::size_t from = x.size() / 8, count = x.size() / 2;
    EXPECT_NEAR(test::LevelDb(x, rate, offsetHz, from, count), levelDb, 0.1);
    EXPECT_NEAR(test::CarrierHz(x, rate, offsetHz, from, count), offsetHz, 0.1);
}

// Each datatype at the receiver's own rate (copied) and at others
// (resampled to the narrowest rate that holds them); the time comes from
// the first capture, its fraction of a second dropped.
TEST(RecordingImport, SigmfOfEveryDatatypeAndRate) {
    TempDir dir("import-sigmf");
    struct Case {
        const char* datatype;
        int rate;
        int rateIdx;
        double offset;
    };
    const std::vector<Case> cases = {{"ci8", 250000, 1, 30000},
                                     {"cu8", 96000, 0, -20000},
                                     {"ci16_le", 500000, 2, 150000},
                                     {"ci32_le", 192000, 1, 40000},
                                     {"cf32_le", 48000, 0, 10000}};
    std::vector<Foreign> files;
    for (const Case& c : cases)
        files.push_back({"sigmf",
                         dir / c.datatype,
                         {"datatype=" + std::string(c.datatype), "rate=" + std::to_string(c.rate),
                          "centre=7100000", "offset=" + std::to_string(c.offset), "level_db=-10"}});
    Make(files);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.datatype);
        const Imported r = Import(dir, dir / c.datatype + ".sigmf-meta");
        EXPECT_EQ(r.plan.resample, c.rate != 250000 && c.rate != 500000);
        ExpectCarrier(r, c.rateIdx, 7100000, 1714979289, c.offset, -10.0);
    }
}

// A float WAV whose chunks come in an unusual order (LIST with an odd size,
// fact, auxi after the data) gives its centre and time from "auxi"; sox's
// 24-bit extensible and 16-bit PCM files, without "auxi", need the centre
// given.
TEST(RecordingImport, WavIqWithAuxiOrWithTheCentreGiven) {
    TempDir dir("import-wav");
    Make({{"wav",
           dir / "a.wav",
           {"rate=192000", "centre=14200000", "offset=-35000", "level_db=-3", "seconds=0.2"}}});
    ExpectCarrier(Import(dir, dir / "a.wav"), 1, 14200000, 1709528767, -35000, -3.0);

    for (const char* bits : {"24", "16"}) {
        SCOPED_TRACE(bits);
        const std::string sox = dir / "sox.wav";
        ASSERT_EQ(test::RunTool({"sox",  "-D",    "-n",    "-r",  "125000", "-c",    "2", "-b",
                                 bits,   sox,     "synth", "0.2", "sine",   "20000", "0", "25",
                                 "sine", "20000", "0",     "0",   "vol",    "0.5"})
                      .code,
                  0);
        ImportPlan plan;
        ImportProblem problem;
        std::string error;
        EXPECT_FALSE(PlanImport({.input = sox, .outBase = dir / "out"}, plan, problem, error));
        EXPECT_EQ(problem, ImportProblem::NoCentre);
        EXPECT_EQ(error, sox + ": the centre frequency is not known (no auxi chunk)");
        const Imported r = Import(dir, sox, {.centreHz = 9500000});
        EXPECT_FALSE(r.plan.resample);
        ASSERT_EQ(r.files.size(), 1u);
        const auto x = r.files[0].Samples();
        EXPECT_NEAR(test::LevelDb(x, 125000, 20000, 1000, 20000), -6.02, 0.1);
    }
}

// A 2 MS/s GQRX recording: the name gives the time, centre and rate; the
// carrier inside the new 500 kHz band is kept, the one at +400 kHz is
// dropped rather than folded to -100 kHz, and the listener is told.
TEST(RecordingImport, GqrxRawAtTwoMegasamples) {
    TempDir dir("import-gqrx");
    const std::string raw = dir / "gqrx_20240102_030405_7100000_2000000_fc.raw";
    Make({{"raw",
           raw,
           {"rate=2000000", "offset=100000", "level_db=-20", "offset2=400000", "level2_db=-20",
            "seconds=0.1"}}});
    const Imported r = Import(dir, raw);
    ExpectCarrier(r, 2, 7100000, 1704164645, 100000, -20.0);
    const auto x = r.files[0].Samples();
    EXPECT_LT(test::LevelDb(x, 500000, -100000, 5000, 40000), -110.0);
    ASSERT_FALSE(r.plan.notes.empty());
    EXPECT_EQ(r.plan.notes[0],
              "the recording is 2000 kHz wide: resampled to 500 kHz, what lies beyond ±210 kHz "
              "of the centre is dropped");
}

// Files that cannot be understood say which field is missing or wrong.
TEST(RecordingImport, ClearErrorsForWhatCannotBeRead) {
    TempDir dir("import-bad");
    const std::vector<std::string> tone = {"rate=250000", "centre=7000000", "offset=0",
                                           "level_db=-6", "seconds=0.01"};
    auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.end(), tone.begin(), tone.end());
        return extra;
    };
    struct Case {
        Foreign file;
        std::string input;
        ImportProblem problem;
        std::string error;  // the JSON parser's own words may follow
    };
    const std::string json = dir / "json", type = dir / "type", real = dir / "real";
    const std::string vhf = dir / "vhf", cut = dir / "cut.wav", align = dir / "align.wav";
    const std::string raw = dir / "capture.raw", fast = dir / "fast";
    const std::vector<Case> cases = {
        {{"sigmf", json, with({"datatype=ci16_le", "meta={\"global\": {\"core:datatype\": }"})},
         json + ".sigmf-meta",
         ImportProblem::Unreadable,
         json + ".sigmf-meta: not valid JSON: parse error at line 1, column 30"},
        {{"sigmf", type,
          with({"datatype=ci16_le", "meta={\"global\": {\"core:version\": \"1.2.0\"}}"})},
         type + ".sigmf-data",
         ImportProblem::Unreadable,
         type + ".sigmf-meta: core:datatype is missing"},
        {{"sigmf", real,
          with({"datatype=ci16_le", "meta={\"global\": {\"core:datatype\": \"ri16_le\"}}"})},
         real + ".sigmf-meta",
         ImportProblem::Unreadable,
         real + ".sigmf-meta: core:datatype \"ri16_le\" cannot be read: velorix reads ci8, cu8, "
                "ci16_le, ci32_le and cf32_le"},
        {{"wav", cut, with({"data_size=100000"})},
         cut,
         ImportProblem::Unreadable,
         cut + ": truncated: the data chunk holds 100000 bytes, the file 20076 after it"},
        {{"wav", align, with({"pcm=24", "block_align=4"})},
         align,
         ImportProblem::Unreadable,
         align + ": fmt: block alignment 4 does not fit 2 channels of 24 bits (6 bytes)"},
        {{"sigmf",
          vhf,
          {"datatype=cf32_le", "rate=250000", "centre=145000000", "offset=0", "level_db=-6",
           "seconds=0.01"}},
         vhf + ".sigmf-meta",
         ImportProblem::CentreOutOfRange,
         vhf + ".sigmf-meta: the centre frequency 145000000 Hz lies outside 0-40 MHz, the "
               "receiver's range"},
        {{"sigmf", fast,
          with({"datatype=ci8",
                "meta={\"global\": {\"core:datatype\": \"ci8\", "
                "\"core:sample_rate\": 1e9}}"})},
         fast + ".sigmf-meta",
         ImportProblem::RateOutOfRange,
         fast + ".sigmf-meta: a sample rate of 1000000000 Hz is more than the 200 MHz velorix "
                "resamples"},
        {{"raw", raw, tone},
         raw,
         ImportProblem::NoRate,
         raw + ": the sample rate is not known (the name is not "
               "gqrx_YYYYMMDD_HHMMSS_FREQ_RATE_fc.raw)"},
    };
    std::vector<Foreign> files;
    for (const Case& c : cases)
        files.push_back(c.file);
    Make(files);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        ImportPlan plan;
        ImportProblem problem;
        std::string error;
        EXPECT_FALSE(PlanImport({.input = c.input, .outBase = dir / "out"}, plan, problem, error));
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(error.substr(0, c.error.size()), c.error);
    }
    // A centre given inside the range takes the place of a VHF one.
    const Imported r = Import(dir, vhf + ".sigmf-data", {.centreHz = 7000000});
    EXPECT_EQ(r.files.at(0).header.info.centerFreqHz, 7000000u);
}

}  // namespace
}  // namespace velorix

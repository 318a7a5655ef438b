#include "CliConvert.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "TempDir.h"
#include "WavFormat.h"

namespace velorix {
namespace {

using test::TempDir;

// One conversion run as the program runs it: its exit code and what it
// printed on stderr.
struct Converted {
    int code;
    std::string err;
};
Converted Convert(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const CliCommand command = ConvertCommandFor(args);
    EXPECT_NE(command, nullptr);
    const int code = command ? command(args, out, err) : -1;
    std::string text(4096, '\0');
    std::rewind(err);
    text.resize(std::fread(text.data(), 1, text.size(), err));
    std::fclose(out);
    std::fclose(err);
    return {code, text};
}

// Runs with the working directory at `dir`, as a user in it would.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& dir)
        : before_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InDirectory() { std::filesystem::current_path(before_); }

private:
    std::filesystem::path before_;
};

TEST(CliConvert, DefaultNamesAndNoWritingOverUnasked) {
    TempDir dir("cli-convert");
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "work");
    // A velorix recording of one block, and a GQRX one of 1000 zero samples.
    WavHeaderImage header = BuildWavHeader({.centerFreqHz = 7000000, .startTime = 1});
    SetWavSizes(header, 6144);
    std::vector<std::uint8_t> rec(header.begin(), header.end());
    rec.resize(rec.size() + 6144);
    test::WriteAll(dir / "in/rec_000.wav", rec);
    const std::string gqrx = dir / "in/gqrx_20240102_030405_7100000_250000_fc.raw";
    test::WriteAll(gqrx, std::vector<std::uint8_t>(8000, 0));
    InDirectory here(dir.path() / "work");

    // An export lands beside the recording, an import in the working directory.
    EXPECT_EQ(Convert({"--export-sigmf", dir / "in/rec_000.wav"}).code, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "in/rec_000.sigmf-meta"));
    EXPECT_TRUE(std::filesystem::exists(dir / "in/rec_000.sigmf-data"));
    EXPECT_EQ(Convert({"--import", gqrx}).code, 0);
    const std::string series = dir / "work/gqrx_20240102_030405_7100000_250000_fc_000.wav";
    EXPECT_EQ(std::filesystem::file_size(series), 86u + 6144u);

    const Converted again = Convert({"--import", gqrx});
    EXPECT_EQ(again.code, 1);
    EXPECT_EQ(again.err,
              "velorix-cli: gqrx_20240102_030405_7100000_250000_fc_000.wav: File exists "
              "(give --overwrite to write over it)\n");
    EXPECT_EQ(Convert({"--export-sigmf", dir / "in/rec_000.wav", "--float"}).code, 1);
    EXPECT_EQ(std::filesystem::file_size(dir / "in/rec_000.sigmf-data"), 4096u);
    EXPECT_EQ(Convert({"--export-sigmf", dir / "in/rec_000.wav", "--float", "--overwrite"}).code,
              0);
    EXPECT_EQ(std::filesystem::file_size(dir / "in/rec_000.sigmf-data"), 8192u);
    EXPECT_EQ(Convert({"--overwrite", "--import", gqrx, "--out", "x"}).code, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "work/x_000.wav"));
}

TEST(CliConvert, UsageErrorsAndWhatToGive) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string err;
    };
    const std::string more = "(velorix-cli --help lists the options)\n";
    TempDir dir("cli-convert-usage");
    test::WriteAll(dir / "capture.raw", std::vector<std::uint8_t>(80, 0));
    for (const Case& c : std::vector<Case>{
             {{"--export-sigmf"}, 2, "velorix-cli: --export-sigmf needs a value\n" + more},
             {{"--export-sigmf", "a.wav", "--mode", "XYZ"},
              2,
              "velorix-cli: --mode needs one of AM SAM CW RTTY USB LSB FM DRM USER\n" + more},
             {{"--import", "a.raw", "--rate", "500"},
              2,
              "velorix-cli: option --rate does not go with --import\n" + more},
             {{"--import", "a.raw", "--center", "145000000"},
              2,
              "velorix-cli: --center needs a frequency in Hz from 0 to 40000000, not "
              "'145000000'\n" +
                  more},
             {{"--import", dir / "capture.raw"},
              1,
              "velorix-cli: " + dir / "capture.raw" +
                  ": the sample rate is not known (the name is not "
                  "gqrx_YYYYMMDD_HHMMSS_FREQ_RATE_fc.raw): give --input-rate HZ\n"},
             {{"--import", dir / "capture.raw", "--input-rate", "250000"},
              1,
              "velorix-cli: " + dir / "capture.raw" +
                  ": the centre frequency is not known: give --center HZ\n"},
         }) {
        const Converted run = Convert(c.args);
        EXPECT_EQ(run.code, c.code) << c.args[0];
        EXPECT_EQ(run.err, c.err);
    }
}

}  // namespace
}  // namespace velorix

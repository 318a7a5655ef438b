// The headless receiver run in-process against the virtual receiver and
// recordings, as `velorix-cli` runs it.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "CliRun.h"
#include "E2eSupport.h"
#include "TempDir.h"
#include "WavFormat.h"

namespace velorix {
namespace {

namespace fs = std::filesystem;

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

std::string ReadBack(std::FILE* f) {
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;)
        s += static_cast<char>(c);
    std::fclose(f);
    return s;
}

CliResult RunWith(const std::vector<std::string>& args) {
    const CliParse p = ParseCliOptions(args);
    EXPECT_TRUE(p.ok) << p.error;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CliResult r;
    ShutdownSignals stopSignals;
    r.code = RunCli(p.options, stopSignals, out, err);
    r.out = ReadBack(out);
    r.err = ReadBack(err);
    return r;
}

using test::Le32;

class CliRun : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("VELORIX_USB_LIBRARY"); }
    std::string Path(const std::string& name) const { return directory_ / name; }
    test::TempDir directory_{"cli"};
    fs::path dir_ = directory_.path();
};

TEST(SMeterLine, HasTheScriptedForm) {
    EXPECT_EQ(SMeterLine(0.1, -1350, false, false), "0.1 s  -135.0 dBm  S0");
    EXPECT_EQ(SMeterLine(12.3, -730, true, false), "12.3 s   -73.0 dBm  S9  LOCK");
    EXPECT_EQ(SMeterLine(2.0, -500, false, true), "2.0 s   -50.0 dBm  S9+23  ADC CLIP");
    e2e::MeterLine m;
    ASSERT_TRUE(e2e::ParseMeterLine(SMeterLine(12.3, -730, true, true), m));
    EXPECT_DOUBLE_EQ(m.levelDbm, -73.0);
    EXPECT_TRUE(m.lock);
    EXPECT_FALSE(e2e::ParseMeterLine("1.0 s -73.0 dBm S9", m));
    EXPECT_FALSE(e2e::ParseMeterLine("1.0 s   -73.0 dBm  S9  LOCKED", m));
}

TEST_F(CliRun, VirtualReceiverWritesAudioAndTheMeterEveryTenthOfASecond) {
    // A station list in the user's data directory, for the picture to name.
    fs::create_directories(Path("share/velorix"));
    std::ofstream(Path("share/velorix/eibi.txt"))
        << "14150         0000-2400       VRT Virtual 20 m SSB net     E   Eu          USB\n";
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::string savedDataHome = dataHome ? dataHome : "";
    setenv("XDG_DATA_HOME", Path("share").c_str(), 1);
    const CliResult r =
        RunWith({"--seconds", "1", "--smeter", "--audio-out", Path("a.wav"), "--waterfall",
                 Path("w.png"), "--spectrum", Path("s.png"), "--tune", "14160000", "--mode", "AM"});
    if (dataHome)
        setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(r.code, 0) << r.err;
    int lines = 0;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        if (line.size() >= 3 && line.compare(line.size() - 3, 3, "dBm") == 0) ADD_FAILURE() << line;
        e2e::MeterLine m;
        if (e2e::ParseMeterLine(line, m)) ++lines;
    }
    EXPECT_EQ(lines, 10);
    EXPECT_NE(r.out.find("summary:"), std::string::npos);
    EXPECT_NE(r.out.find("  signal    1.0 s"), std::string::npos);
    EXPECT_NE(r.out.find("dropped   ring 0 bytes"), std::string::npos);

    const auto wav = test::ReadAll(Path("a.wav"));
    ASSERT_GT(wav.size(), 44u + 31250u * 4 * 9 / 10);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(wav, 24), 31250u);
    EXPECT_EQ(wav[22], 2);
    EXPECT_EQ(wav[34], 16);
    // Both pictures are PNGs the plot's 820 columns wide; the spectrum is the
    // whole plot, the waterfall one line per frame (about 30 in a second).
    auto be32 = [](const std::vector<std::uint8_t>& b, size_t at) {
        return (unsigned(b[at]) << 24) | (unsigned(b[at + 1]) << 16) | (unsigned(b[at + 2]) << 8) |
               unsigned(b[at + 3]);
    };
    for (const char* name : {"w.png", "s.png"}) {
        const auto png = test::ReadAll(Path(name));
        ASSERT_GT(png.size(), 24u) << name;
        EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG") << name;
        EXPECT_EQ(be32(png, 16), 820u) << name;
        const unsigned rows = be32(png, 20);
        if (std::string(name) == "s.png")
            EXPECT_EQ(rows, 249u);
        else
            EXPECT_TRUE(rows >= 15 && rows <= 31) << rows;
    }
    // The spectrum names the listed station in yellow text at the top of the
    // plot (the tuned line alone lights 40 pixels there).
    const QImage spectrum(QString::fromStdString(Path("s.png")));
    int text = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < spectrum.width(); ++x)
            if (const QRgb c = spectrum.pixel(x, y);
                qRed(c) >= 120 && qRed(c) > qGreen(c) && qGreen(c) > qBlue(c) + 40)
                ++text;
    EXPECT_GT(text, 100);
}

TEST_F(CliRun, ARecordingPlayedBackGivesTheSameAudioBitForBit) {
    const CliResult live = RunWith({"--seconds", "1", "--tune", "14151000", "--center", "14150000",
                                    "--record", Path("rec"), "--audio-out", Path("live.wav")});
    ASSERT_EQ(live.code, 0) << live.err;
    ASSERT_TRUE(fs::exists(Path("rec_000.wav")));
    const CliResult play = RunWith(
        {"--source", Path("rec_000.wav"), "--tune", "14151000", "--audio-out", Path("play.wav")});
    ASSERT_EQ(play.code, 0) << play.err;
    const auto a = test::ReadAll(Path("live.wav"));
    const auto b = test::ReadAll(Path("play.wav"));
    ASSERT_GT(a.size(), 44u + 31250u * 4 / 2);
    EXPECT_TRUE(a == b) << a.size() << " vs " << b.size();

    // A next file of the series at another rate ends the playback before it,
    // and the run says so and fails.
    WavReceiverInfo info;
    info.rateIdx = 1;
    WavHeaderImage header = BuildWavHeader(info);
    SetWavSizes(header, 6144);
    std::vector<std::uint8_t> next(header.begin(), header.end());
    next.resize(next.size() + 6144);
    test::WriteAll(Path("rec_001.wav"), next);
    const CliResult cut = RunWith(
        {"--source", Path("rec_000.wav"), "--tune", "14151000", "--audio-out", Path("c.wav")});
    EXPECT_EQ(cut.code, 1);
    EXPECT_NE(cut.err.find("The series ends before " + Path("rec_001.wav") +
                           ": it is recorded at 250 kHz, the series at 125 kHz"),
              std::string::npos)
        << cut.err;
    EXPECT_EQ(test::ReadAll(Path("c.wav")), b);  // the first file was played whole
}

TEST_F(CliRun, FailuresAreToldWithExitCodeOne) {
    setenv("VELORIX_USB_LIBRARY", Path("missing.so").c_str(), 1);
    const CliResult noLib = RunWith({"--seconds", "1", "--audio-out", Path("x.wav")});
    unsetenv("VELORIX_USB_LIBRARY");
    EXPECT_EQ(noLib.code, 1);
    EXPECT_NE(noLib.err.find("Loading libvelorixusb.so..."), std::string::npos) << noLib.err;

    const CliResult noFile =
        RunWith({"--source", Path("nothing.wav"), "--audio-out", Path("y.wav")});
    EXPECT_EQ(noFile.code, 1);
    EXPECT_NE(noFile.err.find("Can't open file"), std::string::npos) << noFile.err;

    const CliResult offset = RunWith({"--tune", "14099000", "--center", "14150000", "--audio-out",
                                      Path("z.wav")});  // 51 kHz > 0.4 x 125 kHz
    EXPECT_EQ(offset.code, 2);
    EXPECT_NE(offset.err.find("within 50000 Hz"), std::string::npos) << offset.err;
}

}  // namespace
}  // namespace velorix

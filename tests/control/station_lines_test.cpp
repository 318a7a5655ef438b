#include "ControllerFixture.h"

namespace velorix::test {
namespace {

using Stations = ControllerTest;

// Tue 14-Nov-2023 04:30:00 UTC.
constexpr std::int64_t kTue0430 = 1699936200;

TEST_F(Stations, LinesForTheTunedKHzAndTheClockOfTheChosenList) {
    WriteAll(dir_ / "eibi.txt", [] {
        const std::string text =
            "9420          0400-0600       GRC Voz de la Libertad Radio Gr  Eu   x      "
            "ERA\n"
            "9420          1200-1300       D   Deutsche Welle           G   Eu   Ro     "
            "x\n";
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }());
    lists = LoadStationLists({dir_.path().string()});
    settings.MemListIdx = 1;  // EiBi
    settings.CenterFreq = 9420300;
    now = kTue0430;
    StartUp();
    ctl->StationTick();
    EXPECT_EQ(ctl->StationPanel().KHz(), 9420);
    EXPECT_EQ(ctl->StationLines(),
              (std::vector<std::string>{"0400 0600 Voz de la Libertad Radio - GRC (Gr)   ERA"}));

    now = kTue0430 + 8 * 3600;  // 12:30
    ctl->StationTick();
    ASSERT_EQ(ctl->StationLines().size(), 1u);
    EXPECT_EQ(ctl->StationLines()[0].rfind("1200 1300 Deutsche Welle", 0), 0u);

    ctl->Tuning().SetCenterFrequency(9421000);
    EXPECT_TRUE(ctl->StationLines().empty());

    // The user list (empty here) replaces the EiBi lines.
    ctl->Tuning().SetCenterFrequency(9420000);
    ctl->SelectMemList(2);
    EXPECT_EQ(settings.MemListIdx, 2);
    EXPECT_TRUE(ctl->StationLines().empty());
    EXPECT_FALSE(ctl->SelectMemList(3).accepted);
}

TEST_F(Stations, PlaybackTimeReplacesTheClock) {
    WriteAll(dir_ / "eibi.txt", [] {
        const std::string text =
            "9420          0400-0600       GRC Voz de la Libertad Radio Gr  Eu   x      ERA\n";
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }());
    lists = LoadStationLists({dir_.path().string()});
    settings.MemListIdx = 1;
    now = kTue0430 + 8 * 3600;  // nothing on air now
    StartUp();
    ctl->Source().SelectSource(1);
    WavReceiverInfo info;
    info.centerFreqHz = 9420000;
    info.startTime = kTue0430;  // recorded while the station was on air
    ASSERT_TRUE(ctl->Source().LoadFile(WriteRecording("eibi_000.wav", info, 6144 * 4)).accepted);
    EXPECT_TRUE(ctl->StationLines().empty());
    ASSERT_TRUE(ctl->Source().Play().accepted);
    ctl->Source().Tick();
    ctl->StationTick();  // the own clock is off while playing
    EXPECT_EQ(ctl->StationLines().size(), 1u);
    ctl->Source().StopButton();
    ctl->StationTick();
    EXPECT_TRUE(ctl->StationLines().empty());
}

}  // namespace
}  // namespace velorix::test

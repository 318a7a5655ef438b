#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ControllerFixture.h"
#include "StationLabels.h"

namespace velorix::test {
namespace {

// Tue 14-Nov-2023 08:00 and 12:00 UTC.
constexpr std::int64_t kTue0800 = 1699948800;
constexpr std::int64_t kTue1200 = kTue0800 + 4 * 3600;
// The demo list's station at 6070 kHz, here on the air from 12:00 to 13:00 only.
constexpr int kEveningKHz = 6070;

class StationLabels : public ControllerTest {
protected:
    // The demo EiBi list with one station's hours cut, at 500 kHz around `centreKHz`.
    void StartAt(int centreKHz) {
        std::ifstream in(VELORIX_DATA_SOURCE "/eibi.txt");
        std::stringstream text;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("    " + std::to_string(kEveningKHz) + " ", 0) == 0)
                line.replace(line.find("0000-2400"), 9, "1200-1300");
            text << line << '\n';
        }
        const std::string s = text.str();
        WriteAll(dir_ / "eibi.txt", std::vector<std::uint8_t>(s.begin(), s.end()));
        lists = LoadStationLists({dir_.path().string()});
        settings.MemListIdx = 1;
        settings.DdcSamplingRateIdx = 2;
        settings.TuneMode = 1;
        settings.CenterFreq = centreKHz * 1000;
        now = kTue0800;
        StartUp();
    }

    // The names of the list's stations on the air at 08:00 whatever their
    // labels, in frequency order, whose frequencies the plot shows.
    std::vector<std::string> OnAirInView() const {
        const DisplayGeometry& g = mainDisplay().geometry;
        const double halfKHz = g.Width() / 2 * g.KHzPerBin();
        std::vector<std::string> names;
        for (int i = 1; i <= lists.eibi->Count(); ++i) {
            const FrequencyEntry& f = lists.eibi->Entry(i);
            if (std::abs(f.kHz - g.VisibleCentreKHz()) >= halfKHz) continue;
            for (const ScheduleEntry* e = f.first; e != nullptr; e = e->Next())
                if (e->IsOnAir(800, '3')) {
                    names.push_back(e->Name(*lists.eibi));
                    break;
                }
        }
        return names;
    }
};

bool Meet(const StationLabel& a, const StationLabel& b, int gap) {
    return a.row == b.row && a.left < b.left + b.width + gap && b.left < a.left + a.width + gap;
}

TEST_F(StationLabels, NameTheStationsOnTheAirWithoutOverlapAndThinTheRest) {
    // The 49 m band has room for every name; the 40 m CW callers crowd each other.
    for (const int centreKHz : {6050, 7100}) {
        SCOPED_TRACE(centreKHz);
        StartAt(centreKHz);
        const std::vector<StationLabel> all = LayoutStationLabels(
            lists.eibi.get(), mainDisplay().geometry, 800, '3',
            [](const std::string& text) { return 6 * static_cast<int>(text.size()) + 4; });
        std::vector<std::string> names;
        std::vector<StationLabel> placed;
        for (const StationLabel& l : all) {
            names.push_back(l.text);
            if (l.row >= 0) placed.push_back(l);
        }
        EXPECT_EQ(names, OnAirInView());
        EXPECT_EQ(mainDisplay().stationLabels, placed);
        for (std::size_t i = 0; i < placed.size(); ++i) {
            EXPECT_TRUE(placed[i].left >= 0 && placed[i].left + placed[i].width <= kMainPlotWidth);
            EXPECT_TRUE(placed[i].left <= placed[i].x &&
                        placed[i].x < placed[i].left + placed[i].width);
            for (std::size_t j = i + 1; j < placed.size(); ++j)
                EXPECT_FALSE(Meet(placed[i], placed[j], 0)) << placed[i].text << placed[j].text;
        }
        // A name left out had no room in any row.
        for (StationLabel l : all) {
            if (l.row >= 0) continue;
            for (l.row = 0; l.row < kStationLabelRows; ++l.row)
                EXPECT_TRUE(
                    std::any_of(placed.begin(), placed.end(),
                                [&](const auto& p) { return Meet(l, p, kStationLabelGapPx); }))
                    << l.text << " in row " << l.row;
        }
        ASSERT_GE(names.size(), 3u);
        if (centreKHz == 6050)
            EXPECT_EQ(placed.size(), names.size());
        else
            EXPECT_LT(placed.size(), names.size());
    }
}

TEST_F(StationLabels, FollowTheMinuteTheSettingAndTheDisplayFunction) {
    StartAt(6050);
    const DisplayGeometry& g = mainDisplay().geometry;
    auto named = [&](int kHz) {
        const auto& labels = mainDisplay().stationLabels;
        return std::any_of(labels.begin(), labels.end(),
                           [&](const StationLabel& l) { return l.x == g.KHzToPixel(kHz); });
    };
    EXPECT_FALSE(named(kEveningKHz));
    EXPECT_TRUE(named(6005));

    now = kTue1200;
    const Outcome noon = ctl->StationTick();
    ASSERT_NE(noon.mainDisplay, nullptr);
    EXPECT_TRUE(named(kEveningKHz));
    EXPECT_EQ(noon.mainDisplay->stationLabels.size(), 4u);
    EXPECT_EQ(ctl->StationTick().mainDisplay, nullptr);  // the same minute: nothing new

    ctl->Displays().SelectDisplayFunction(1);
    EXPECT_TRUE(mainDisplay().stationLabels.empty());
    ctl->Displays().SelectDisplayFunction(0);
    EXPECT_EQ(mainDisplay().stationLabels.size(), 4u);

    settings.StationNames = 0;
    ctl->Displays().StepSpan(false);
    EXPECT_TRUE(mainDisplay().stationLabels.empty());
}

}  // namespace
}  // namespace velorix::test

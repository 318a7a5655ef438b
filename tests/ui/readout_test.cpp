#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleHints>
#include <QWheelEvent>

#include "Beep.h"
#include "FrequencyKeypad.h"
#include "FrequencyReadout.h"
#include "SkinStyle.h"
#include "UiTest.h"

namespace velorix {
namespace {

// Columns holding a pixel of exactly the digits' colour.
std::vector<int> DigitColumns(const QImage& img) {
    std::vector<int> columns;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if (test::At(img, x, y) == (skin::kDigits.rgb() & 0xFFFFFFu)) {
                columns.push_back(x);
                break;
            }
    return columns;
}

class Readout : public ::testing::Test {
protected:
    Readout() : readout("189", {}, nullptr) {}
    FrequencyReadout readout;
};

TEST_F(Readout, ShowsMegahertzAndKilohertzBigAndHertzSmall) {
    readout.SetFrequency(14150000);
    EXPECT_EQ(readout.BigText(), " 14.150");
    EXPECT_EQ(readout.SmallText(), "000");
    // Big digits end left of x W - 40, small ones start at W - 38.
    const std::vector<int> columns = DigitColumns(test::Render(readout));
    ASSERT_FALSE(columns.empty());
    const int edge = readout.width() - 40;
    bool big = false, small = false;
    for (int x : columns) {
        EXPECT_TRUE(x < edge || x >= edge + 2) << x;
        big |= x < edge;
        small |= x >= edge + 2;
    }
    EXPECT_TRUE(big && small);
    EXPECT_LT(columns.back(), readout.width() - 2);
}

TEST_F(Readout, WheelPicksTheDigitUnderThePointer) {
    const int w = readout.width();
    EXPECT_EQ(FrequencyReadout::DigitAt(0, w), 6);
    EXPECT_EQ(FrequencyReadout::DigitAt(w - 1, w), 0);
    EXPECT_EQ(FrequencyReadout::DigitAt(w - 41, w), 3);  // kHz units
    EXPECT_EQ(FrequencyReadout::DigitAt(w - 40, w), 2);  // hundreds of Hz
}

TEST_F(Readout, SmoothScrollIsGatheredToWholeSteps) {
    QSignalSpy tuning(&readout, &FrequencyReadout::wheelTuning);
    const QPointF at(readout.width() - 1, 10);
    for (int i = 0; i < 3; ++i) {
        QWheelEvent wheel(at, readout.mapToGlobal(at), {}, QPoint(0, 50), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&readout, &wheel);
    }
    ASSERT_EQ(tuning.count(), 1);  // 150: one step, 30 kept
    EXPECT_EQ(tuning[0][0].toInt(), 120);
    EXPECT_EQ(tuning[0][1].toInt(), 0);
}

TEST(ReadoutFocus, PointerOverItTakesTheFocusAndGivesDoubleClicksTheirPlatformTime) {
    QStyleHints* hints = QGuiApplication::styleHints();
    const int platform = hints->mouseDoubleClickInterval();
    QWidget window;
    QWidget other(&window);
    other.setFocusPolicy(Qt::StrongFocus);
    FrequencyReadout readout("189", {0, 40}, &window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other.setFocus();
    hints->setMouseDoubleClickInterval(50);
    QTest::mouseMove(&readout, {30, 20});
    EXPECT_TRUE(readout.hasFocus());
    EXPECT_EQ(hints->mouseDoubleClickInterval(), platform);
}

TEST_F(Readout, DoubleClickOpensTheKeypad) {
    EXPECT_FALSE(readout.Keypad().isVisible());
    QTest::mouseDClick(&readout, Qt::LeftButton, {}, {50, 20});
    EXPECT_TRUE(readout.Keypad().isVisible());
    EXPECT_EQ(readout.Keypad().windowTitle(), "Frequency (kHz)");
    readout.Keypad().Key(FrequencyKeypad::kClose)->click();
    EXPECT_FALSE(readout.Keypad().isVisible());
}

class Keypad : public ::testing::Test {
protected:
    Keypad() : keypad(nullptr) {
        SetBeepHook([this] { ++beeps; });
        keypad.SetTuner([this](double kHz) {
            tuned.push_back(kHz);
            return accept;
        });
    }
    ~Keypad() override { SetBeepHook(nullptr); }
    void Keys(const std::vector<int>& ids) {
        for (int id : ids)
            keypad.Key(id)->click();
    }

    FrequencyKeypad keypad;
    int beeps = 0;
    bool accept = true;
    std::vector<double> tuned;
};

TEST_F(Keypad, KeysEnterAKilohertzValueAndOkTunesAndClears) {
    Keys({10, 4, 3, 3, FrequencyKeypad::kPoint, 8, FrequencyKeypad::kOk});  // 7100.5
    ASSERT_EQ(tuned.size(), 1u);
    EXPECT_DOUBLE_EQ(tuned[0], 7100.5);
    EXPECT_EQ(keypad.Field()->text(), "");
    EXPECT_EQ(beeps, 0);
}

TEST_F(Keypad, TenthCharacterAndOkOnNothingBeep) {
    Keys({4, 5, 6, 7, 8, 9, 10, 11, 12});
    EXPECT_EQ(keypad.Field()->text(), "123456789");
    Keys({3});
    EXPECT_EQ(keypad.Field()->text(), "123456789");
    EXPECT_EQ(beeps, 1);
    Keys({FrequencyKeypad::kBack, FrequencyKeypad::kBack});
    EXPECT_EQ(keypad.Field()->text(), "1234567");
    keypad.Field()->clear();
    Keys({FrequencyKeypad::kBack, FrequencyKeypad::kOk});
    EXPECT_EQ(beeps, 2);
    EXPECT_TRUE(tuned.empty());
}

TEST_F(Keypad, ReadsTheNumberBeforeASecondPointAndKeepsARefusedEntry) {
    Keys({4, FrequencyKeypad::kPoint, 5, FrequencyKeypad::kPoint, 6, FrequencyKeypad::kOk});
    ASSERT_EQ(tuned.size(), 1u);
    EXPECT_DOUBLE_EQ(tuned[0], 1.2);
    accept = false;
    Keys({12, 12, 12, 12, 12, 12, FrequencyKeypad::kOk});
    EXPECT_EQ(keypad.Field()->text(), "999999");
    EXPECT_EQ(beeps, 1);
}

}  // namespace
}  // namespace velorix

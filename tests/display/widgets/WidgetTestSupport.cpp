#include "WidgetTestSupport.h"

#include <cstdlib>

namespace velorix::test {

QApplication& EnsureApplication() {
    // Never destroyed: Qt's own globals are gone by the time statics end.
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
        setenv("QT_SCALE_FACTOR", "1", 1);
        static int argc = 1;
        static char name[] = "display_widgets_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

void SetUpSettings(SettingsRecord& s, int demIdx) {
    s.ResetToDefaults();
    s.DdcSamplingRateIdx = 2;
    s.MainFFTIdx = 4;  // 4096 bins
    s.CenterFreq = 14150000;
    s.FreqOffset = 0;
    s.TuneMode = 0;
    s.DemIdx = demIdx;
}

}  // namespace velorix::test

// Fontconfig keeps its configuration for the life of the process; Qt's font
// database never hands it back.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

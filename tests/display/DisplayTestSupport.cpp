#include "DisplayTestSupport.h"

#include <QGuiApplication>
#include <cstdlib>

namespace velorix::test {

void EnsureGuiApplication() {
    // Never destroyed: Qt's own globals are gone by the time statics end.
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
        setenv("QT_SCALE_FACTOR", "1", 1);
        static int argc = 1;
        static char name[] = "display_tests";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

void FeedTone(SpectrumRenderer& r, int toneBin, double amp) {
    const int n = r.FftSize();
    auto* x = reinterpret_cast<std::complex<double>*>(r.Buffer().WritePos());
    for (int i = 0; i < n; ++i)
        x[i] = amp * std::polar(1.0, 2.0 * M_PI * toneBin * i / n) + 1e-7;
    r.Buffer().AdvanceWrite(n);
    r.BufferFull();
}

}  // namespace velorix::test

// Fontconfig keeps its configuration for the life of the process; Qt's font
// database never hands it back.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

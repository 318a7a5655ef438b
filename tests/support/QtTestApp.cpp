// Every Qt test program runs on the offscreen platform with unscaled pixels,
// inside one QApplication made before its first test and gone after its last.
// ctest runs some suites again on other screens: VELORIX_TEST_PLATFORM
// replaces the platform ("offscreen:configfile=…" for screens of their own)
// and VELORIX_TEST_SCALE the scale factor.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace {

const char* Or(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value ? value : otherwise;
}

const bool kEnvironmentSet = [] {
    setenv("QT_QPA_PLATFORM", Or("VELORIX_TEST_PLATFORM", "offscreen"), 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_SCALE_FACTOR", Or("VELORIX_TEST_SCALE", "1"), 1);
    return true;
}();

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "velorix-qt-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

// Fontconfig keeps its configuration for the life of the process; Qt's font
// database never hands it back.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

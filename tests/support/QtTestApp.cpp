// Every Qt test program runs on the offscreen platform with unscaled pixels,
// inside one QApplication made before its first test and gone after its last.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace {

const bool kEnvironmentSet = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
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

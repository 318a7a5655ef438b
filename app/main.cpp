// velorix: the receiver in its window.
#include <unistd.h>
#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "ConsoleNotifier.h"
#include "ProgramIcon.h"
#include "PulseAudioSink.h"
#include "QtNotifier.h"
#include "ReceiverWindow.h"
#include "ShutdownSignals.h"
#include "TestScriptRunner.h"

namespace {

std::unique_ptr<velorix::Notifier> MakeNotifier() {
    const char* route = std::getenv("VELORIX_NOTICES");
    if (route && std::string(route) == "stderr")
        return std::make_unique<velorix::ConsoleNotifier>(stderr, stdin, false);
    return std::make_unique<velorix::QtNotifier>();
}

// The second output is only opened when its sink is there: without it (or
// without a sound server) it would only add a notice to the first output's.
bool VirtualCablePresent() {
    velorix::PulseAudioSink probe;
    const bool present = probe.Open("Virtual Audio Cable").Ok();
    probe.Close();
    return present;
}

// With VELORIX_AUDIO_SUMMARY set, the exit prints what the first output
// played and dropped, for runs measured from outside.
void PrintAudioSummary(velorix::ReceiverWindow& window) {
    if (!std::getenv("VELORIX_AUDIO_SUMMARY")) return;
    const velorix::CWaveOut& out = window.Receiver().AudioOut1();
    std::printf("audio: %llu buffers played, %llu dropped, %llu of them after the first played\n",
                static_cast<unsigned long long>(out.PlayedCount()),
                static_cast<unsigned long long>(out.DroppedCount()),
                static_cast<unsigned long long>(out.DroppedSinceFirstPlayed()));
}

// The window's one option, --rigctl [HOST:]PORT|off: false (told on stderr)
// when its value is wrong.
bool ParseArguments(int argc, char** argv, std::optional<velorix::RigctlEndpoint>& rigctl) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) != "--rigctl") continue;
        std::string why = "--rigctl needs a value";
        if (i + 1 < argc) rigctl = velorix::ParseRigctlOption(argv[++i], why);
        if (!rigctl) {
            std::fprintf(stderr, "velorix: %s\n", why.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // The test hook: a script of clicks, keys and waits, refused whole (before
    // anything is shown) when any line of it is wrong.
    const char* scriptPath = std::getenv("VELORIX_TEST_SCRIPT");
    const velorix::TestScript script =
        scriptPath ? velorix::LoadTestScript(scriptPath) : velorix::TestScript{};
    for (const std::string& error : script.errors)
        std::fprintf(stderr, "velorix: %s\n", error.c_str());
    if (!script.errors.empty()) return 2;

    // Until the window runs, a signal ends the program at once: the start-up
    // may wait in the library or on a notice, and has nothing to save.
    velorix::ShutdownSignals stopSignals;
    stopSignals.EndAtOnce(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName("velorix");
    // Wayland compositors find the icon and name through the desktop file.
    QGuiApplication::setDesktopFileName("velorix");
    QApplication::setWindowIcon(velorix::ProgramIcon());
    std::optional<velorix::RigctlEndpoint> rigctl;
    if (!ParseArguments(argc, argv, rigctl)) return 2;
    const std::unique_ptr<velorix::Notifier> notifier = MakeNotifier();

    velorix::ReceiverWindow window({.notifier = *notifier,
                                    .secondAudioOut = VirtualCablePresent(),
                                    .dialogs = velorix::ListedFileDialogs::FromEnvironment(),
                                    .rigctl = rigctl});
    // A notice open when a signal comes is answered, and so is every later one.
    QSocketNotifier caught(stopSignals.ReadFd(), QSocketNotifier::Read);
    QObject::connect(&caught, &QSocketNotifier::activated, [&] {
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(stopSignals.ReadFd(), &byte, 1);
        velorix::QtNotifier::CancelOpenNotice();
        window.close();
    });
    QObject::connect(&window, &velorix::ReceiverWindow::finished, &app, &QApplication::exit);

    if (!window.Start()) return window.Finish();
    stopSignals.EndAtOnce(false);
    velorix::TestScriptRunner runner(window, script.steps, scriptPath ? scriptPath : "");
    runner.Start();
    int code = app.exec();
    window.Finish();
    PrintAudioSummary(window);
    if (stopSignals.Caught() && code == 0)
        code = velorix::ShutdownSignals::ExitCode(stopSignals.Caught());
    return code;
}

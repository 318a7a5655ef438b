// The rigctl server of the window, on the virtual receiver, offscreen, with
// the window's real controller and (by default) its real displays:
//   - the commands one client gets a second for `f` and for `F`, waiting for
//     each answer as Hamlib's client does;
//   - the GUI thread's CPU, idle and while clients poll as WSJT-X does (one
//     client: v, s, f, m once a second) and as a busy logger set-up might
//     (four clients: f and l STRENGTH ten times a second each); the extra
//     over idle, as a share of one core.
//
//   bench_rigctl [seconds per phase (default 10)] [blank]
// "blank" runs the window without its spectrum displays, whose repaints are
// the GUI thread's largest and noisiest load.
#include <pthread.h>
#include <time.h>

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "NullAudioSink.h"
#include "ReceiverWindow.h"
#include "RecordingNotifier.h"
#include "RigctlClient.h"

namespace velorix {
namespace {

using Clock = std::chrono::steady_clock;

// CPU seconds of a thread, read from any thread.
double ThreadCpuSeconds(pthread_t thread) {
    clockid_t clock{};
    pthread_getcpuclockid(thread, &clock);
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Each client sends its commands one at a time, each answer awaited, every
// `period`, until `end`.
void Poll(int port, const std::vector<std::string>& commands, std::chrono::milliseconds period,
          Clock::time_point end) {
    test::RigctlClient client(port);
    for (auto next = Clock::now(); next < end; next += period) {
        for (const std::string& c : commands)
            client.Ask(c, c == "m" || c == "s" ? 2 : 1);
        std::this_thread::sleep_until(next + period);
    }
}

// Commands answered in `seconds` by one client asking as fast as it can.
int Flood(int port, const std::function<std::string(int)>& command, double seconds) {
    test::RigctlClient client(port);
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    int n = 0;
    while (Clock::now() < end)
        client.Ask(command(n++));
    return n;
}

}  // namespace
}  // namespace velorix

int main(int argc, char** argv) {
    using namespace velorix;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const bool blank = argc > 2 && std::string(argv[2]) == "blank";
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("VELORIX_DEVICE", "virtual", 1);
    const auto config = std::filesystem::temp_directory_path() /
                        ("velorix-bench-rigctl-" + std::to_string(::getpid()));
    setenv("VELORIX_CONFIG_DIR", config.c_str(), 1);
    QApplication app(argc, argv);

    test::RecordingNotifier notes;
    ReceiverWindow window({.notifier = notes,
                           .audioSink = std::make_unique<NullAudioSink>(),
                           .useStore = false,
                           .displays = blank ? BlankDisplays : SpectrumDisplays});
    if (!window.Start()) {
        std::fprintf(stderr, "bench_rigctl: the window did not start\n");
        return 1;
    }
    const std::string listening = window.StartRigctl({"127.0.0.1", 0});
    if (!listening.empty()) {
        std::fprintf(stderr, "bench_rigctl: %s\n", listening.c_str());
        return 1;
    }
    const int port = window.RigctlPort();
    const pthread_t gui = pthread_self();

    std::thread phases([&] {
        auto guiShare = [&](const std::function<void(Clock::time_point)>& load) {
            const double cpu0 = ThreadCpuSeconds(gui);
            const auto t0 = Clock::now();
            load(t0 + std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double>(seconds)));
            const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
            return 100.0 * (ThreadCpuSeconds(gui) - cpu0) / wall;
        };
        std::this_thread::sleep_for(std::chrono::seconds(2));  // the displays settle
        const double idle =
            guiShare([](Clock::time_point end) { std::this_thread::sleep_until(end); });
        const double wsjtx = guiShare([&](Clock::time_point end) {
            Poll(port, {"v", "s", "f", "m"}, std::chrono::milliseconds(1000), end);
        });
        const double four = guiShare([&](Clock::time_point end) {
            std::vector<std::thread> clients;
            for (int i = 0; i < 4; ++i)
                clients.emplace_back([&] {
                    Poll(port, {"f", "l STRENGTH"}, std::chrono::milliseconds(100), end);
                });
            for (std::thread& c : clients)
                c.join();
        });
        const double flood = std::min(seconds, 3.0);
        double cpu0 = ThreadCpuSeconds(gui);
        const int reads = Flood(
            port, [](int) { return "f"; }, flood);
        const double perRead = (ThreadCpuSeconds(gui) - cpu0) / reads;
        cpu0 = ThreadCpuSeconds(gui);
        const int tunes = Flood(
            port, [](int i) { return i % 2 ? "F 14150000" : "F 14151000"; }, flood);
        const double perTune = (ThreadCpuSeconds(gui) - cpu0) / tunes;

        std::printf("displays: %s, %.0f s a phase\n", blank ? "blank" : "spectrum", seconds);
        std::printf("f: %.0f commands/s (one client, each answer awaited)\n", reads / flood);
        std::printf("F: %.0f commands/s\n", tunes / flood);
        std::printf("GUI thread idle: %.3f %% of a core\n", idle);
        std::printf("GUI thread, 1 client polling v s f m at 1 Hz: %.3f %% (+%.3f %%)\n", wsjtx,
                    wsjtx - idle);
        std::printf("GUI thread, 4 clients polling f and l STRENGTH at 10 Hz: %.3f %% (+%.3f %%)\n",
                    four, four - idle);
        std::printf(
            "GUI thread per command at full speed: f %.1f us, F %.1f us (the displays' "
            "repaints in between included)\n",
            perRead * 1e6, perTune * 1e6);
        std::fflush(stdout);
        QMetaObject::invokeMethod(&app, &QApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    phases.join();
    window.Finish();
    std::filesystem::remove_all(config);
    return 0;
}

#include "RigctlStation.h"

#include <chrono>
#include <limits>
#include <string>

#include "CliReceiver.h"
#include "ConsoleNotifier.h"
#include "ControllerRig.h"
#include "RigctlServer.h"
#include "SettingsStore.h"
#include "ShutdownSignals.h"
#include "TaskQueue.h"

namespace velorix {

int RunRigctlStation(const CliOptions& o, std::FILE* out, std::FILE* err) {
    const ShutdownSignals signals;
    ConsoleNotifier notifier(err, stdin, false);
    SelectDevice(o);
    AssembledReceiver::Slots slots{.notifier = notifier};
    ChooseAudio(o, slots);
    AssembledReceiver rx(std::move(slots));
    SettingsRecord& settings = rx.Settings();
    LoadCliSettings(o, rx, err);
    if (!OffsetWithinRate(settings, err)) return 2;
    if (!OpenAudio(o, rx, err)) return 1;
    if (!rx.BuildEngine()) return 1;
    bool reachedAcquisition = false;
    if (!rx.StartHeadless({.beforeAcquisition = [&] { return reachedAcquisition = true; }})) {
        if (reachedAcquisition)
            std::fprintf(err, "velorix-cli: the receiver did not start streaming\n");
        return 1;
    }

    // The commands run here, on the main thread, between the controller's
    // own ticks: the server's thread only hands them over.
    TaskQueue tasks;
    ControllerRig rig(rx.Controller(), settings, *rx.Engine());
    RigctlEndpoint endpoint{settings.RigctlHost, settings.RigctlPort};
    std::string why;
    auto server = RigctlServer::Start(
        endpoint, rig, [&tasks](RigctlServer::Task task) { tasks.Post(std::move(task)); }, why);
    if (!server) {
        std::fprintf(err, "velorix-cli: %s\n", why.c_str());
        return 1;
    }
    endpoint.port = server->Port();
    std::fprintf(out, "%s\n", ListeningText(endpoint).c_str());
    std::fflush(out);

    // Until a signal, or --seconds of signal; a removed receiver is waited for.
    using Clock = std::chrono::steady_clock;
    const double wanted = o.seconds.value_or(std::numeric_limits<double>::infinity());
    RunWatch watch(rx, err);
    auto lastTick = Clock::now();
    while (signals.Caught() == 0 && watch.SignalSeconds() < wanted) {
        tasks.RunFor(std::chrono::milliseconds(50));
        if (Clock::now() - lastTick >= std::chrono::milliseconds(250)) {
            lastTick = Clock::now();
            rx.Controller().Source().Tick();  // free-space guard and status
            if (!watch.Check() && o.seconds) break;
        }
    }
    // The server goes first: no command may reach a receiver shutting down.
    const std::uint64_t connections = server->Connections();
    server.reset();
    const AssembledReceiver::ShutdownReport shut = rx.Shutdown();
    std::fprintf(out, "rigctl server closed after %llu connections\n",
                 static_cast<unsigned long long>(connections));
    int code = watch.HadGap() ? 1 : 0;
    if (shut.settingsSaved == false) {
        std::fprintf(err, "velorix-cli: the settings could not be saved to %s\n",
                     SettingsStore::FilePath().c_str());
        code = 1;
    }
    if (const int signal = signals.Caught(); signal != 0) return ShutdownSignals::ExitCode(signal);
    return code;
}

}  // namespace velorix

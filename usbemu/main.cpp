// velorix-usb-emulator: runs a program with virtual receivers attached
// behind the kernel's USB interface, so that it reaches them through libusb
// as it would real ones. Runs under umockdev-wrapper (scripts/usb-emulated.sh).
//
//   velorix-usb-emulator [--receivers N] [--cpu-report FILE] [--] COMMAND [ARGS...]
//
// The receivers follow the virtual receiver's variables (VELORIX_SIM_*,
// VELORIX_VIRTUAL_*: band, seed, faults, plug file). The program gets
// VELORIX_USB_IDS with the receivers' ids, no VELORIX_DEVICE and, unless it
// names one already, VELORIX_DATA_DIR naming the virtual receiver's files:
// the emulated receivers take its bitstreams as an owner's. Exits with
// the program's exit code (128 + the signal that ended it); SIGINT, SIGTERM and
// SIGHUP are passed on to it.
#include <glib-unix.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DataDirectories.h"
#include "EmulatedBus.h"

namespace {

using velorix::usbemu::EmulatedBus;

struct Run {
    GMainLoop* loop = nullptr;
    GPid child = 0;
    int status = 0;
};

int Usage(const char* why) {
    std::fprintf(stderr,
                 "velorix-usb-emulator: %s\n"
                 "usage: velorix-usb-emulator [--receivers 1..4] [--cpu-report FILE] [--] "
                 "COMMAND [ARGS...]\n",
                 why);
    return 2;
}

// The program dies with the emulator: without it, its ioctls would hang.
void DieWithParent(gpointer) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

gboolean PassSignal(gpointer data) {
    auto* run = static_cast<std::pair<Run*, int>*>(data);
    kill(run->first->child, run->second);
    return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
    int receivers = 1;
    const char* cpuReport = nullptr;
    int at = 1;
    for (; at < argc && std::strncmp(argv[at], "--", 2) == 0; ++at) {
        const std::string option = argv[at];
        if (option == "--") {
            ++at;
            break;
        }
        if (at + 1 >= argc) return Usage((option + " needs a value").c_str());
        if (option == "--receivers") {
            receivers = std::atoi(argv[++at]);
            if (receivers < 1 || receivers > 4) return Usage("--receivers takes 1 to 4");
        } else if (option == "--cpu-report") {
            cpuReport = argv[++at];
        } else {
            return Usage(("unknown option " + option).c_str());
        }
    }
    if (at >= argc) return Usage("no command given");

    EmulatedBus::RemoveStale();
    EmulatedBus bus(receivers, velorix::sim::VirtualConfig::FromEnvironment());
    // Asked only once the testbed exists: the answer is cached.
    if (!umockdev_in_mock_environment()) {
        std::fprintf(stderr,
                     "velorix-usb-emulator: run it under umockdev-wrapper "
                     "(scripts/usb-emulated.sh does)\n");
        return 125;
    }
    if (std::string why; !bus.Ready(why)) {
        std::fprintf(stderr, "velorix-usb-emulator: %s\n", why.c_str());
        return 125;
    }

    Run run;
    g_unsetenv("VELORIX_DEVICE");
    g_setenv("VELORIX_USB_IDS", EmulatedBus::UsbIds().c_str(), TRUE);
    if (g_getenv("VELORIX_DATA_DIR") == nullptr) {
        namespace files = velorix::files;
        const auto dirs =
            files::VirtualDirectories(files::DataDirectories(files::ExecutablePlace()));
        if (const auto bitstream = files::FindFile(dirs, "velorix125k24v11.sbs"))
            g_setenv("VELORIX_DATA_DIR", bitstream->substr(0, bitstream->rfind('/')).c_str(), TRUE);
    }
    GError* err = nullptr;
    if (!g_spawn_async(nullptr, argv + at, nullptr,
                       GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                   G_SPAWN_CHILD_INHERITS_STDIN),
                       DieWithParent, nullptr, &run.child, &err)) {
        std::fprintf(stderr, "velorix-usb-emulator: %s\n", err->message);
        g_error_free(err);
        return 127;
    }
    run.loop = g_main_loop_new(nullptr, FALSE);
    g_child_watch_add(
        run.child,
        [](GPid, gint status, gpointer data) {
            auto* r = static_cast<Run*>(data);
            r->status = status;
            g_main_loop_quit(r->loop);
        },
        &run);
    std::vector<std::pair<Run*, int>> passed = {{&run, SIGINT}, {&run, SIGTERM}, {&run, SIGHUP}};
    for (auto& p : passed)
        g_unix_signal_add(p.second, PassSignal, &p);
    g_timeout_add(
        20,
        [](gpointer b) {
            static_cast<EmulatedBus*>(b)->Tick();
            return gboolean(G_SOURCE_CONTINUE);
        },
        &bus);
    g_main_loop_run(run.loop);

    if (cpuReport) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        if (FILE* f = std::fopen(cpuReport, "w")) {
            std::fprintf(f, "%.3f\n",
                         double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6);
            std::fclose(f);
        }
    }
    if (WIFEXITED(run.status)) return WEXITSTATUS(run.status);
    return WIFSIGNALED(run.status) ? 128 + WTERMSIG(run.status) : 1;
}

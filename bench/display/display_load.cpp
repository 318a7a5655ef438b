// Both displays under a real-time feed: the main display fed 500 kHz and the
// secondary one 7.8125 kHz through their display threads, painted by
// offscreen widgets as their frames come. Prints the process's CPU
// time as a share of one core, the feeding thread's part of it, and the
// spectra drawn per second.
//
//   bench_display_load [seconds]   (default 10)
#include <QApplication>
#include <QTimer>

#include <sys/resource.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "DspThread.h"
#include "MainDisplay.h"
#include "SecondaryDisplay.h"

namespace velorix {
namespace {

using Cpx = std::complex<double>;

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

class NoIntents : public DisplayIntents {
public:
    void DoubleClick(DisplayId, int) override {}
    void AddMarker(int) override {}
    bool DragPassband(int, int) override { return false; }
    void BeginScroll() override {}
    void Scroll(int) override {}
    void EndScroll() override {}
    void SetPassbandEdges(double, double) override {}
    void BeginSpectrumDrag() override {}
    void DragSpectrum(double) override {}
    void RetuneDraggedCentre() override {}
    void EndSpectrumDrag() override {}
    void Wheel(int) override {}
};

// A chain head that hands its blocks on as the receiver's blocks do.
class Source : public CDspBlock {
public:
    explicit Source(int blockSize) : CDspBlock(kDspTypeComplex, blockSize, 0) {}
    void Push(const Cpx* samples) {
        std::copy(samples, samples + buffer->Capacity(),
                  reinterpret_cast<Cpx*>(buffer->AdvanceWrite(buffer->Capacity())));
        BufferFull();
    }
    void Process(void* dst, const void* src, int count) override {
        std::copy_n(static_cast<const Cpx*>(src), count, static_cast<Cpx*>(dst));
    }
    std::string& GetName(std::string& name) override { return name = "Source"; }
};

// Noise and two tones, long enough to cycle through without a seam that matters.
std::vector<Cpx> Signal(int samples) {
    std::vector<Cpx> v(static_cast<size_t>(samples));
    unsigned state = 7;
    for (int i = 0; i < samples; ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = 1e-4 * ((state >> 8) / 16777216.0 - 0.5);
        v[static_cast<size_t>(i)] =
            noise + 0.05 * std::polar(1.0, 0.3 * i) + 0.01 * std::polar(1.0, -1.1 * i);
    }
    return v;
}

struct Feed {
    Source* source;
    int blockSize;
    double rateKHz;
    std::chrono::steady_clock::time_point due;
    size_t at = 0;
};

int Run(int seconds) {
    NoIntents intents;
    // 4096 bins at 500 kHz around 14 150 kHz, and 7.8125 kHz around the USB
    // carrier offset.
    auto mainState = std::make_shared<DisplayState>();
    mainState->geometry.Reconfigure(4096, 500.0, 14150.0);
    mainState->tunedX = mainState->geometry.KHzToPixel(14150.0);
    mainState->band = {mainState->tunedX + 3, mainState->tunedX + 23};
    auto secState = std::make_shared<DisplayState>();
    secState->geometry = DisplayGeometry(410, 120);
    secState->geometry.Reconfigure(256, 7812.5, 1500.0);
    secState->tunedX = secState->geometry.KHzToPixel(0.0);
    secState->band = {179, 256};
    MainDisplay main(intents);
    SecondaryDisplay secondary(410, 120, intents);
    main.Show(mainState);
    secondary.Show(secState);
    main.show();
    secondary.show();

    constexpr int kMainBlock = 4096, kSecBlock = 256;
    Source mainSource(kMainBlock), secSource(kSecBlock);
    CDspThread mainThread(kDspTypeComplex, 8192), secThread(kDspTypeComplex, 256);
    mainSource.Connect(&mainThread);
    mainThread.Connect(&main.Renderer());
    secSource.Connect(&secThread);
    secThread.Connect(&secondary.Renderer());
    mainThread.SetRate(500.0);
    secThread.SetRate(7.8125);

    const std::vector<Cpx> signal = Signal(1 << 18);
    std::atomic<bool> stop{false};
    double feederCpu = 0.0;
    std::thread feeder([&] {
        const auto start = std::chrono::steady_clock::now();
        Feed feeds[] = {{&mainSource, kMainBlock, 500.0, start},
                        {&secSource, kSecBlock, 7.8125, start}};
        while (!stop.load()) {
            Feed& f = feeds[0].due <= feeds[1].due ? feeds[0] : feeds[1];
            std::this_thread::sleep_until(f.due);
            if (f.at + f.blockSize > signal.size()) f.at = 0;
            f.source->Push(signal.data() + f.at);
            f.at += f.blockSize;
            f.due += std::chrono::nanoseconds(static_cast<long>(f.blockSize / f.rateKHz * 1e6));
        }
        feederCpu = ThreadCpuSeconds();
    });

    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const std::uint64_t main0 = main.Renderer().Spectra(), sec0 = secondary.Renderer().Spectra();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QApplication::exec();
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double mainRate = (main.Renderer().Spectra() - main0) / wall;
    const double secRate = (secondary.Renderer().Spectra() - sec0) / wall;
    stop.store(true);
    feeder.join();

    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) < 1) load[0] = -1;
    std::printf("both displays, %.1f s at 500 kHz and 7.8125 kHz (load average %.2f)\n", wall,
                load[0]);
    std::printf("  CPU: %.2f %% of one core, of which the feeding thread %.2f %%\n",
                100.0 * cpu / wall, 100.0 * feederCpu / wall);
    std::printf("  spectra drawn: main %.1f/s, secondary %.1f/s\n", mainRate, secRate);
    return 0;
}

}  // namespace
}  // namespace velorix

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
    setenv("QT_SCALE_FACTOR", "1", 0);
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    return velorix::Run(seconds);
}

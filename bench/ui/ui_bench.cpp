// Drawing costs of the skin and its controls, offscreen: generating the skin,
// repainting one control, and exposing the whole window with every control.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <cstdlib>
#include <memory>

#include "BitmapPanel.h"
#include "ControlBinder.h"
#include "FrequencyReadout.h"
#include "RecordingBar.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinnedControls.h"
#include "StationPanel.h"
#include "VerticalSlider.h"

namespace velorix {
namespace {

// The window with every control, its texts and states set.
struct Window {
    BitmapPanel body{"134", {}, nullptr};
    ControlBinder binder;
    SkinnedControls controls{&body, binder};

    Window() {
        PanelState panel;
        panel.CheckRadio(ControlId::Mode0, 9, 4);
        panel.CheckRadio(ControlId::Filter0, 6, 3);
        panel.SetText(label::kSpan, "400.0 / 488.3");
        panel.SetText(label::kFreq, " 14.150");
        panel.SetText(label::kFreqHz, "000");
        panel.SetText(label::kDate, "Tue 14-Nov-2023");
        panel.SetText(label::kFile, "recording-0001.wav - 12.34 GBytes free ");
        panel.recBar = {1000000, 400000, true};
        binder.ApplyAll(panel);
        controls.Stations()->SetLines({"1200 1300 Deutsche Welle - Nauen  D 250 kW",
                                       "1200 1400 Radio Romania - Tiganesti  ROU 300 kW",
                                       "1130 1330 Voice of Turkey - Emirler  TUR 500 kW"});
    }
};

Window& TheWindow() {
    static Window window;
    return window;
}

// At 1, 1.5 and 2 device pixels per window pixel (the argument in tenths).
void BM_SkinGenerate(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(skin::Skin::Generate(state.range(0) / 10.0));
}
BENCHMARK(BM_SkinGenerate)->Arg(10)->Arg(15)->Arg(20)->Unit(benchmark::kMillisecond);

// One control drawn through its paint event.
template <typename Pick>
void BM_Repaint(benchmark::State& state, Pick pick) {
    QWidget* widget = pick(TheWindow().controls);
    QImage target(widget->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        widget->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

using Controls = const SkinnedControls&;
BENCHMARK_CAPTURE(BM_Repaint, check_box, [](Controls c) -> QWidget* {
    return c.Button(ControlId::Mode0);
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Repaint, text_button, [](Controls c) -> QWidget* {
    return c.Button(ControlId::CalClr);
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Repaint, arrow, [](Controls c) -> QWidget* {
    return c.Button(ControlId::RefLevUp);
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Repaint, slider, [](Controls c) -> QWidget* {
    return c.Slider(ControlId::VolumeSlider);
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Repaint, value_label, [](Controls c) -> QWidget* {
    return c.Label(label::kSpan);
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Repaint, readout, [](Controls c) -> QWidget* {
    return c.Readout();
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Repaint, recording_bar, [](Controls c) -> QWidget* {
    return c.Bar();
})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Repaint, station_panel, [](Controls c) -> QWidget* {
    return c.Stations();
})->Unit(benchmark::kMicrosecond);

// New lines: the text drawn again, then shown.
void BM_StationPanelNewLines(benchmark::State& state) {
    StationPanel* panel = TheWindow().controls.Stations();
    QImage target(panel->size(), QImage::Format_RGB32);
    std::vector<std::string> lines = panel->Lines();
    for (auto _ : state) {
        lines[0][0] = lines[0][0] == '1' ? '0' : '1';
        panel->SetLines(lines);
        panel->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_StationPanelNewLines)->Unit(benchmark::kMicrosecond);

void BM_ReadoutNewFrequency(benchmark::State& state) {
    FrequencyReadout* readout = TheWindow().controls.Readout();
    QImage target(readout->size(), QImage::Format_RGB32);
    std::int64_t hz = 14150000;
    for (auto _ : state) {
        readout->SetFrequency(hz += 10);
        readout->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_ReadoutNewFrequency)->Unit(benchmark::kMicrosecond);

// The whole 1024 x 620 window: background and every control.
void BM_FullExpose(benchmark::State& state) {
    QImage target(TheWindow().body.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        TheWindow().body.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_FullExpose)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velorix

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

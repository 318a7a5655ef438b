#include "ControlActions.h"

#include <map>

#include "ReceiverController.h"

namespace velorix {

namespace {

using C = ReceiverController;
using P = const std::string&;
using N = ControlNeed;

struct Row {
    ControlId first;
    int count;  // a radio group's size; 1 for a single control
    ControlAction::Operation run;
    ControlNeed need;
};

// clang-format off
const Row kRows[] = {
    {ControlId::Exit, 1, nullptr, N::Window},
    {ControlId::Minimize, 1, nullptr, N::Window},
    {ControlId::Logo, 1, nullptr, N::Window},
    // Front end
    {ControlId::Att0, 4, [](C& c, int i, P) { return c.FrontEnd().SelectAttenuator(i); }, N::None},
    {ControlId::Preamp, 1, [](C& c, int, P) { return c.FrontEnd().TogglePreamp(); }, N::None},
    {ControlId::Dither, 1, [](C& c, int, P) { return c.FrontEnd().ToggleDither(); }, N::None},
    {ControlId::Presel, 1, [](C& c, int, P) { return c.FrontEnd().TogglePreselector(); }, N::None},
    {ControlId::Rate125, 3, [](C& c, int i, P) { return c.FrontEnd().SelectRate(i); }, N::WaitCursor},
    {ControlId::Cal, 1, [](C& c, int, P) { return c.FrontEnd().Cal(); }, N::None},
    {ControlId::CalClr, 1, [](C& c, int, P) { return c.FrontEnd().CalClr(); }, N::None},
    // Tuning
    {ControlId::Center, 1, [](C& c, int, P) { return c.Tuning().ToggleCenter(); }, N::None},
    {ControlId::CFStepDown, 1, [](C& c, int, P) { return c.Tuning().StepCFStep(-1); }, N::None},
    {ControlId::CFStepUp, 1, [](C& c, int, P) { return c.Tuning().StepCFStep(1); }, N::None},
    {ControlId::WheelStepDown, 1, [](C& c, int, P) { return c.Tuning().StepWheelStep(-1); }, N::None},
    {ControlId::WheelStepUp, 1, [](C& c, int, P) { return c.Tuning().StepWheelStep(1); }, N::None},
    {ControlId::CentreDown, 1, [](C& c, int, P) { return c.Tuning().StepCentre(false); }, N::None},
    {ControlId::CentreUp, 1, [](C& c, int, P) { return c.Tuning().StepCentre(true); }, N::None},
    {ControlId::StepDown, 1, [](C& c, int, P) { return c.Tuning().StepTuning(false); }, N::None},
    {ControlId::StepUp, 1, [](C& c, int, P) { return c.Tuning().StepTuning(true); }, N::None},
    // Demodulator
    {ControlId::Mode0, 9, [](C& c, int i, P) { return c.Demodulator().SelectMode(i); }, N::None},
    {ControlId::Filter0, 6, [](C& c, int i, P) { return c.Demodulator().SelectFilter(i); }, N::None},
    {ControlId::Agc0, 4, [](C& c, int i, P) { return c.Demodulator().SelectAgc(i); }, N::None},
    {ControlId::NoiseBlanker, 1, [](C& c, int, P) { return c.Demodulator().ToggleNoiseBlanker(); }, N::None},
    {ControlId::NoiseBlankerSlider, 1, [](C& c, int v, P) { return c.Demodulator().SetNBVal(v); }, N::None},
    {ControlId::NoiseRedSlider, 1, [](C& c, int v, P) { return c.Demodulator().SetNRVal(v); }, N::None},
    {ControlId::Audio, 1, [](C& c, int, P) { return c.Demodulator().ToggleAudio(); }, N::None},
    {ControlId::VolumeSlider, 1, [](C& c, int v, P) { return c.Demodulator().SetVolVal(v); }, N::None},
    // Displays and meter
    {ControlId::RefLevDown, 1, [](C& c, int, P) { return c.Displays().StepRefLevel(false); }, N::None},
    {ControlId::RefLevUp, 1, [](C& c, int, P) { return c.Displays().StepRefLevel(true); }, N::None},
    {ControlId::ScaleDown, 1, [](C& c, int, P) { return c.Displays().StepScale(false); }, N::None},
    {ControlId::ScaleUp, 1, [](C& c, int, P) { return c.Displays().StepScale(true); }, N::None},
    {ControlId::SpanDown, 1, [](C& c, int, P) { return c.Displays().StepSpan(false); }, N::None},
    {ControlId::SpanUp, 1, [](C& c, int, P) { return c.Displays().StepSpan(true); }, N::None},
    {ControlId::EdgeUp, 1, [](C& c, int, P) { return c.Displays().StepEdge(true); }, N::None},
    {ControlId::EdgeDown, 1, [](C& c, int, P) { return c.Displays().StepEdge(false); }, N::None},
    {ControlId::DispSpect, 2, [](C& c, int i, P) { return c.Displays().SelectDisplayFunction(i); }, N::None},
    {ControlId::SecTune, 3, [](C& c, int i, P) { return c.Displays().SelectSecDisplayFunction(i); }, N::None},
    {ControlId::ClearMarkers, 1, [](C& c, int, P) { return c.Displays().ClearMarkers(); }, N::None},
    {ControlId::Delta, 1, [](C& c, int, P) { return c.Displays().ToggleDelta(); }, N::None},
    {ControlId::MarkerPeak, 1, [](C&, int, P) { return Outcome::Refused(); }, N::None},
    {ControlId::SmtrRms, 2, [](C& c, int i, P) { return c.Displays().SelectSMeterMode(i); }, N::None},
    {ControlId::MainAvg, 1, [](C& c, int, P) { return c.Displays().ToggleAveraging(DisplayId::Main); }, N::None},
    {ControlId::SecAvg, 1, [](C& c, int, P) { return c.Displays().ToggleAveraging(DisplayId::Secondary); }, N::None},
    {ControlId::MainAvgSlider, 1, [](C& c, int v, P) { return c.Displays().SetAvgVal(DisplayId::Main, v); }, N::None},
    {ControlId::SecAvgSlider, 1, [](C& c, int v, P) { return c.Displays().SetAvgVal(DisplayId::Secondary, v); }, N::None},
    {ControlId::NoiseReduction, 1, [](C&, int, P) { return Outcome::Refused(); }, N::None},
    // Source, recording and playback
    {ControlId::SourceReceiver, 2, [](C& c, int i, P) { return c.Source().SelectSource(i); }, N::WaitCursor},
    {ControlId::FileOpen, 1, [](C& c, int, P path) { return c.Source().LoadFile(path); }, N::OpenPath},
    {ControlId::Stop, 1, [](C& c, int, P) { return c.Source().StopButton(); }, N::None},
    {ControlId::Play, 1, [](C& c, int, P) { return c.Source().Play(); }, N::None},
    {ControlId::Record, 1, [](C& c, int, P path) { return c.Source().StartRecording(path); }, N::SavePath},
    // Station lists
    {ControlId::ListHfcc, 3, [](C& c, int i, P) { return c.SelectMemList(i); }, N::None},
};
// clang-format on

std::map<ControlId, ControlAction> BuildMap() {
    std::map<ControlId, ControlAction> map;
    for (const Row& r : kRows)
        for (int i = 0; i < r.count; ++i)
            map[Offset(r.first, i)] = {r.run, r.need, r.first};
    return map;
}

}  // namespace

const ControlAction* ActionFor(ControlId id) {
    static const std::map<ControlId, ControlAction> map = BuildMap();
    const auto it = map.find(id);
    return it == map.end() ? nullptr : &it->second;
}

Outcome RunControl(ReceiverController& c, ControlId id, int sliderValue, const std::string& path) {
    const ControlAction* a = ActionFor(id);
    if (a == nullptr || a->run == nullptr) return Outcome::Refused();
    const ControlRow* row = FindControl(id);
    const bool slider = row != nullptr && row->kind == ControlKind::Slider;
    const int arg = slider ? sliderValue : static_cast<int>(id) - static_cast<int>(a->first);
    return a->run(c, arg, path);
}

}  // namespace velorix

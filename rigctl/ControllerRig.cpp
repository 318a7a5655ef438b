#include "ControllerRig.h"

#include <algorithm>

#include "SMeterValues.h"
#include "SettingsKeys.h"

namespace velorix {

ControllerRig::ControllerRig(ReceiverController& controller, const SettingsRecord& settings,
                             const EngineControl& engine, Apply apply)
    : controller_(controller), settings_(settings), engine_(engine), apply_(std::move(apply)) {}

bool ControllerRig::Show(const Outcome& outcome) {
    if (apply_) apply_(outcome);
    return outcome.accepted;
}

std::int64_t ControllerRig::TunedHz() const {
    return settings_.TunedHz();
}

bool ControllerRig::SetTunedHz(std::int64_t hz) {
    return Show(controller_.Tuning().SetTunedFrequencyHz(hz));
}

int ControllerRig::Mode() const {
    return std::clamp(settings_.DemIdx, 0, kModeCount - 1);
}

int ControllerRig::Filter() const {
    return std::clamp(settings_.DemBwIdx[Mode()], 0, kFilterCount - 1);
}

int ControllerRig::FilterWidthHz(int mode, int filter) const {
    return settings_
        .FltBw[std::clamp(mode, 0, kModeCount - 1)][std::clamp(filter, 0, kFilterCount - 1)];
}

int ControllerRig::DefaultFilter(int mode) const {
    return DefaultFilterIndex(mode);
}

void ControllerRig::SelectMode(int mode) {
    Show(controller_.Demodulator().SelectMode(mode));
}

void ControllerRig::SelectFilter(int filter) {
    Show(controller_.Demodulator().SelectFilter(filter));
}

int ControllerRig::LevelTenthsDbm() const {
    // What the S-meter shows, read without taking the converter's clip flag,
    // which belongs to the meter's own update.
    const double level =
        settings_.SmtrMode == 1 ? engine_.AgcPeakLevelDb() : engine_.AgcAverageLevelDb();
    return SMeterTenths(level, settings_);
}

}  // namespace velorix

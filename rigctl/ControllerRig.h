#pragma once

#include <functional>

#include "EngineControl.h"
#include "ReceiverController.h"
#include "RigControl.h"
#include "SettingsRecord.h"

namespace velorix {

// The receiver's controller as a rig for the rigctl server: a client tunes
// and switches modes through the controller's operations, as the frequency
// keypad and the mode and filter buttons do, and every answer goes to
// `apply`, which shows it as the window shows the user's own clicks (the
// headless receiver has nothing to show). Reads come from the settings
// record, so they see whatever the user changed last. On the controller's
// thread only, and only while the receiver runs: the server goes before the
// receiver shuts down.
class ControllerRig : public RigControl {
public:
    using Apply = std::function<void(const Outcome&)>;

    ControllerRig(ReceiverController& controller, const SettingsRecord& settings,
                  const EngineControl& engine, Apply apply = nullptr);

    std::int64_t TunedHz() const override;
    bool SetTunedHz(std::int64_t hz) override;
    int Mode() const override;
    int Filter() const override;
    int FilterWidthHz(int mode, int filter) const override;
    int DefaultFilter(int mode) const override;
    void SelectMode(int mode) override;
    void SelectFilter(int filter) override;
    int LevelTenthsDbm() const override;

private:
    bool Show(const Outcome& outcome);

    ReceiverController& controller_;
    const SettingsRecord& settings_;
    const EngineControl& engine_;
    Apply apply_;
};

}  // namespace velorix

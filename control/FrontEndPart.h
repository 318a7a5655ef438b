#pragma once

#include "ControllerContext.h"

namespace velorix {

// The receiver's front end: attenuator, preamp and dither, preselector,
// output rate and the ADC clock calibration. While the retune-inhibit flag
// is set nothing is sent to the receiver: the operations change only the
// record and the controls, and the receiver gets them when it is the source
// again.
class FrontEndPart {
public:
    explicit FrontEndPart(ControllerContext& context) : c_(context) {}

    // --- Operations --------------------------------------------------------
    Outcome SelectAttenuator(int idx);  // 0..3
    Outcome TogglePreamp();
    Outcome ToggleDither();
    Outcome TogglePreselector();
    // Rate button: FPGA reconfigured, acquisition restarted, re-centred.
    Outcome SelectRate(int rateIdx);
    Outcome Cal();
    Outcome CalClr();

    // --- Steps the other parts take ----------------------------------------
    void ApplyAttenuator(int idx);
    void UpdatePreampDither();
    void UpdatePreselectorBand();
    // Preamp and dither, attenuator and preselector band to the receiver.
    void SendFrontEndNow();
    void ShowFrontEndChecks();
    void EnableFrontEnd(bool on);
    // "Cal" enabled at the nominal ADC clock, "CalClr" otherwise.
    void RefreshCal();
    // Rate change; false when the bitstream would not load (fatal).
    bool ApplyRate(bool restart, Outcome& outcome);

private:
    // A front-end check box toggled: its key, its check and then `update`.
    Outcome Toggle(ControlId box, int& key, void (FrontEndPart::*update)());

    ControllerContext& c_;
};

}  // namespace velorix

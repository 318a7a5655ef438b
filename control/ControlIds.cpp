#include "ControlIds.h"

#include "ModeNames.h"

namespace velorix {

std::string ControlName(ControlId id) {
    const int n = static_cast<int>(id);
    static constexpr const char* kAtt[4] = {"Off", "10 dB", "20 dB", "30 dB"};
    static constexpr const char* kRates[3] = {"125", "250", "500"};
    static constexpr const char* kFilters[6] = {"25 kHz", "12 kHz", " 6 kHz",
                                                " 3 kHz", "1.6kHz", "0.8kHz"};
    static constexpr const char* kAgc[4] = {"Fast", "Med", "Slow", "Off"};
    if (n >= 150 && n <= 153) return kAtt[n - 150];
    if (n >= 200 && n <= 202) return kRates[n - 200];
    if (n >= 220 && n <= 225) return kFilters[n - 220];
    if (n >= 240 && n <= 243) return kAgc[n - 240];
    static constexpr const char* kDispFn[2] = {"Spect", "WFall"};
    static constexpr const char* kSecFn[3] = {"Tune", "PBT", "Notch"};
    static constexpr const char* kSmtr[2] = {"Rms", "Peak"};
    static constexpr const char* kLists[3] = {"HFCC", "EIBI", "User"};
    if (n >= 340 && n <= 348) return kModeNames[n - 340];
    if (n >= 360 && n <= 361) return kDispFn[n - 360];
    if (n >= 370 && n <= 372) return kSecFn[n - 370];
    if (n >= 251 && n <= 252) return kSmtr[n - 251];
    if (n >= 400 && n <= 402) return kLists[n - 400];
    switch (id) {
        case ControlId::Exit:
            return "IDB_EXIT";
        case ControlId::Minimize:
            return "IDB_MINIMIZE";
        case ControlId::Logo:
            return "IDB_LOGO";
        case ControlId::RefLevDown:
            return "ARROWD 180";
        case ControlId::RefLevUp:
            return "ARROWU 181";
        case ControlId::ScaleDown:
            return "ARROWD 182";
        case ControlId::ScaleUp:
            return "ARROWU 183";
        case ControlId::ClearMarkers:
            return "Clr";
        case ControlId::Delta:
            return "Delta";
        case ControlId::MarkerPeak:
            return "Peak 232";
        case ControlId::EdgeUp:
            return "ARROWU 262";
        case ControlId::EdgeDown:
            return "ARROWD 263";
        case ControlId::MainAvg:
            return "SQUARE 280";
        case ControlId::SecAvg:
            return "SQUARE 290";
        case ControlId::MainAvgSlider:
            return "MainAvg";
        case ControlId::SecAvgSlider:
            return "SecAvg";
        case ControlId::Preamp:
            return "Preamp";
        case ControlId::Dither:
            return "Dither";
        case ControlId::Presel:
            return "Presel";
        case ControlId::SpanDown:
            return "ARROWD 184";
        case ControlId::SpanUp:
            return "ARROWU 185";
        case ControlId::CFStepDown:
            return "ARROWD 186";
        case ControlId::CFStepUp:
            return "ARROWU 187";
        case ControlId::WheelStepDown:
            return "ARROWD 188";
        case ControlId::WheelStepUp:
            return "ARROWU 189";
        case ControlId::Center:
            return "Center";
        case ControlId::Cal:
            return "Cal";
        case ControlId::CalClr:
            return "CalClr";
        case ControlId::SourceReceiver:
            return "Velorix";
        case ControlId::SourceWav:
            return "Wav";
        case ControlId::FileOpen:
            return "File..";
        case ControlId::CentreDown:
            return "ARROWL 260";
        case ControlId::CentreUp:
            return "ARROWR 261";
        case ControlId::StepDown:
            return "ARROWL 270";
        case ControlId::StepUp:
            return "ARROWR 271";
        case ControlId::NoiseBlanker:
            return "SQUARE 300";
        case ControlId::NoiseReduction:
            return "SQUARE 310";
        case ControlId::Audio:
            return "SQUARE 320";
        case ControlId::NoiseBlankerSlider:
            return "NoiseBlanker";
        case ControlId::NoiseRedSlider:
            return "NoiseRed";
        case ControlId::VolumeSlider:
            return "Volume";
        case ControlId::Stop:
            return "STOP";
        case ControlId::Play:
            return "PLAY";
        case ControlId::Record:
            return "RECORD";
        default:
            return "control " + std::to_string(n);
    }
}

}  // namespace velorix

#include "SkinWindow.h"

#include "StationPanel.h"

namespace velorix::test {

SkinWindow::SkinWindow() {
    PanelState panel;
    panel.CheckRadio(ControlId::Att0, 4, 1);
    panel.CheckRadio(ControlId::Rate125, 3, 2);
    panel.CheckRadio(ControlId::Mode0, 9, 4);
    panel.CheckRadio(ControlId::Filter0, 6, 3);
    panel.CheckRadio(ControlId::Agc0, 4, 1);
    panel.CheckRadio(ControlId::DispSpect, 2, 0);
    panel.CheckRadio(ControlId::SecTune, 3, 0);
    panel.CheckRadio(ControlId::SmtrRms, 2, 0);
    panel.CheckRadio(ControlId::SourceReceiver, 2, 0);
    panel.CheckRadio(ControlId::ListHfcc, 3, 1);
    panel.Check(ControlId::Audio, true);
    panel.Check(ControlId::Preamp, true);
    for (ControlId off :
         {ControlId::SecPbt, ControlId::SecNotch, ControlId::MarkerPeak, ControlId::FileOpen,
          ControlId::NoiseReduction, ControlId::CalClr, ControlId::Play})
        panel.Enable(off, false);
    panel.Light(ControlId::Stop, true);
    for (auto [name, text] : {std::pair{label::kRefLev, "-30"},
                              {label::kScale, "10"},
                              {label::kSpan, "400.0 / 488.3"},
                              {label::kCFStep, "100 kHz"},
                              {label::kWheelStep, "1 kHz"},
                              {label::kFreq, " 14.150"},
                              {label::kFreqHz, "000"},
                              {label::kDate, "Tue 14-Nov-2023"},
                              {label::kTime, "22:13:20"},
                              {label::kFile, ""}})
        panel.SetText(name, text);
    panel.SetSlider(ControlId::VolumeSlider, -100);
    panel.SetSlider(ControlId::MainAvgSlider, 200);
    panel.SetSlider(ControlId::SecAvgSlider, 200);
    panel.SetSlider(ControlId::NoiseBlankerSlider, -120);
    binder.ApplyAll(panel);
    controls.Stations()->SetLines({"1200 1300 Deutsche Welle - Nauen  D 250 kW"});
}

}  // namespace velorix::test

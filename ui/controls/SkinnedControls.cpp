#include "SkinnedControls.h"

#include "BitmapPanel.h"
#include "ControlBinder.h"
#include "FrequencyReadout.h"
#include "RecordingBar.h"
#include "SkinButton.h"
#include "SkinLayout.h"
#include "SkinStyle.h"
#include "StationPanel.h"
#include "VerticalSlider.h"

namespace velorix {

SkinnedControls::SkinnedControls(QWidget* window, ControlBinder& binder) {
    using skin::FaceKind;
    for (const skin::PlacedFace& f : skin::WindowLayout()) {
        const QPoint at(f.x, f.y);
        const ControlId id = static_cast<ControlId>(f.id);
        const QString caption = QString::fromStdString(f.caption);
        switch (f.kind) {
            case FaceKind::Button: {
                auto* b = new BitmapButton(f.base, at, id, window);
                buttons_[id] = b;
                binder.Bind(id, b);
                break;
            }
            case FaceKind::TextButton: {
                auto* b = new TextButton(f.base, at, caption, skin::CaptionFont(), skin::kCaption,
                                         id, window);
                buttons_[id] = b;
                binder.Bind(id, b);
                break;
            }
            case FaceKind::CheckBox: {
                const bool mode = f.base == "IDB_CHK49x25";
                auto* c = new BitmapCheckBox(
                    f.base, at, caption, mode ? skin::ModeFont() : skin::CaptionFont(),
                    mode ? skin::kModeCaption : skin::kCaption, id, window);
                buttons_[id] = c;
                binder.Bind(id, c);
                break;
            }
            case FaceKind::ValueLabel:
            case FaceKind::StatusLabel: {
                const bool value = f.kind == FaceKind::ValueLabel;
                auto* l =
                    new PanelLabel(f.base, at, value ? skin::ValueLabelFont() : skin::StatusFont(),
                                   skin::kCaption, value ? Qt::AlignRight : Qt::AlignLeft, window);
                labels_[f.caption] = l;
                binder.BindText(f.caption, l);
                break;
            }
            case FaceKind::Slider: {
                auto* s = new VerticalSlider("187", "188", at, f.id, window);
                const SliderRange r = SliderBounds(id);
                s->SetValueRange(r.bottom, r.top);
                sliders_[id] = s;
                binder.Bind(id, s);
                break;
            }
            case FaceKind::RecordingBar:
                bar_ = new RecordingBar(f.base, at, window);
                binder.BindRecordingBar(bar_);
                break;
            case FaceKind::Readout:
                readout_ = new FrequencyReadout(f.base, at, window);
                binder.BindReadout(readout_);
                break;
            case FaceKind::StationPanel:
                stations_ = new StationPanel(f.base, at, window);
                break;
        }
    }
}

SkinButton* SkinnedControls::Button(ControlId id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

BitmapCheckBox* SkinnedControls::CheckBox(ControlId id) const {
    return dynamic_cast<BitmapCheckBox*>(Button(id));
}

VerticalSlider* SkinnedControls::Slider(ControlId id) const {
    const auto it = sliders_.find(id);
    return it == sliders_.end() ? nullptr : it->second;
}

PanelLabel* SkinnedControls::Label(const std::string& name) const {
    const auto it = labels_.find(name);
    return it == labels_.end() ? nullptr : it->second;
}

}  // namespace velorix

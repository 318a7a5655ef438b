#include "Skin.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "SkinLayout.h"
#include "SkinPaint.h"

namespace velorix::skin {

double FaceRatio(double deviceRatio) {
    return std::isfinite(deviceRatio) ? std::clamp(deviceRatio, 1.0, 4.0) : 1.0;
}

Skin Skin::Generate(double ratio) {
    Skin skin;
    const double r = FaceRatio(ratio);
    paint::AddButtonFaces(skin.faces_, r);
    paint::AddCheckFaces(skin.faces_, r);
    paint::AddPanelFaces(skin.faces_, r);
    skin.faces_["134"] = paint::Background(r);
    const std::vector<std::string> overlaps = Overlaps(skin, WindowLayout());
    if (!overlaps.empty()) throw std::logic_error("skin layout: " + overlaps.front() + " overlap");
    return skin;
}

const Skin& Skin::Shared(double ratio) {
    // Entries are never removed, so the references handed out stay valid.
    static std::map<double, Skin> skins;
    const double r = FaceRatio(ratio);
    auto it = skins.find(r);
    if (it == skins.end()) it = skins.emplace(r, Generate(r)).first;
    return it->second;
}

const QImage& Skin::Face(const std::string& name) const {
    const auto it = faces_.find(name);
    if (it == faces_.end()) throw std::out_of_range("the skin has no face named " + name);
    return it->second;
}

QSize Skin::Size(const std::string& name) const {
    return paint::LogicalSize(Face(name));
}

std::vector<std::string> Skin::Names() const {
    std::vector<std::string> names;
    for (const auto& [name, face] : faces_)
        names.push_back(name);
    return names;
}

}  // namespace velorix::skin

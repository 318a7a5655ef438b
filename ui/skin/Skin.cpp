#include "Skin.h"

#include <stdexcept>

#include "SkinLayout.h"
#include "SkinPaint.h"

namespace velorix::skin {

Skin Skin::Generate() {
    Skin skin;
    paint::AddButtonFaces(skin.faces_);
    paint::AddCheckFaces(skin.faces_);
    paint::AddPanelFaces(skin.faces_);
    skin.faces_["134"] = paint::Background();
    const std::vector<std::string> overlaps = Overlaps(skin, WindowLayout());
    if (!overlaps.empty()) throw std::logic_error("skin layout: " + overlaps.front() + " overlap");
    return skin;
}

const Skin& Skin::Shared() {
    static const Skin skin = Generate();
    return skin;
}

const QImage& Skin::Face(const std::string& name) const {
    const auto it = faces_.find(name);
    if (it == faces_.end()) throw std::out_of_range("the skin has no face named " + name);
    return it->second;
}

std::vector<std::string> Skin::Names() const {
    std::vector<std::string> names;
    for (const auto& [name, face] : faces_)
        names.push_back(name);
    return names;
}

}  // namespace velorix::skin

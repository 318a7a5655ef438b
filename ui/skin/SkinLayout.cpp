#include "SkinLayout.h"

#include "Skin.h"

namespace velorix::skin {

namespace {

std::string Describe(const PlacedFace& p) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on `"literal" + temporary`.
    std::string s = p.base;
    if (!p.caption.empty()) s.append(" \"").append(p.caption).append("\"");
    if (p.id >= 0) s.append(" ").append(std::to_string(p.id));
    s.append(" at ").append(std::to_string(p.x)).append(",").append(std::to_string(p.y));
    return s;
}

}  // namespace

std::string FirstFace(const PlacedFace& placed) {
    switch (placed.kind) {
        case FaceKind::Button:
        case FaceKind::TextButton:
            return placed.base + "U";
        case FaceKind::CheckBox:
            return placed.base + "UU";
        default:
            return placed.base;
    }
}

QRect FaceRect(const Skin& skin, const PlacedFace& placed) {
    return QRect(QPoint(placed.x, placed.y), skin.Size(FirstFace(placed)));
}

std::vector<std::string> Overlaps(const Skin& skin, const std::vector<PlacedFace>& layout) {
    std::vector<std::string> found;
    std::vector<QRect> rects;
    const QRect window(0, 0, 1024, 620);
    for (const PlacedFace& p : layout) {
        rects.push_back(FaceRect(skin, p));
        if (!window.contains(rects.back())) found.push_back(Describe(p) + " and the window's edge");
    }
    for (std::size_t i = 0; i < layout.size(); ++i)
        for (std::size_t j = i + 1; j < layout.size(); ++j)
            if (rects[i].intersects(rects[j]))
                found.push_back(Describe(layout[i]) + " and " + Describe(layout[j]));
    return found;
}

}  // namespace velorix::skin

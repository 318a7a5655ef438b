#pragma once

#include <QRect>
#include <string>
#include <vector>

#include "ControlTable.h"

namespace velorix::skin {

class Skin;

// The window's controls as the skin places them: the control table's rows.
using FaceKind = ControlKind;
using PlacedFace = ControlRow;

// Every skinned control of the 1024 x 620 window.
inline const std::vector<PlacedFace>& WindowLayout() {
    return ControlTable();
}

// The name of a placed face's first face ("ARROWUU", "IDB_CHKDARKUU", "149").
std::string FirstFace(const PlacedFace& placed);
// Where a placed face lies in the window: its position and its face's size.
QRect FaceRect(const Skin& skin, const PlacedFace& placed);
// Pairs of placed faces that share a pixel, and faces reaching past the
// 1024 x 620 window, as "what and what" texts.
std::vector<std::string> Overlaps(const Skin& skin, const std::vector<PlacedFace>& layout);

}  // namespace velorix::skin

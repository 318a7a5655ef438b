#pragma once

#include <QRect>
#include <string>
#include <vector>

namespace velorix::skin {

class Skin;

// What a placed face is, which decides the control that wears it.
enum class FaceKind {
    Button,        // bitmap push button: U, D, G (frame buttons: U, D)
    TextButton,    // push button with a caption
    CheckBox,      // UU, UC, DU, DC with an optional caption
    ValueLabel,    // face 149, a number right-aligned
    StatusLabel,   // faces 201-203, text left-aligned
    Slider,        // track 187, thumb 188
    RecordingBar,  // face 204
    Readout,       // face 189
    StationPanel,  // face 190
};

// One control of the window: its kind, command id (slider: notification
// number; -1 for none), face base name, caption (labels: the text's name) and
// top-left corner in window pixels.
struct PlacedFace {
    FaceKind kind;
    int id;
    std::string base;
    std::string caption;
    int x;
    int y;
};

// Every skinned control of the 1024 x 620 window.
const std::vector<PlacedFace>& WindowLayout();

// The name of a placed face's first face ("ARROWUU", "IDB_CHKDARKUU", "149").
std::string FirstFace(const PlacedFace& placed);
// Where a placed face lies in the window: its position and its face's size.
QRect FaceRect(const Skin& skin, const PlacedFace& placed);
// Pairs of placed faces that share a pixel, and faces reaching past the
// 1024 x 620 window, as "what and what" texts.
std::vector<std::string> Overlaps(const Skin& skin, const std::vector<PlacedFace>& layout);

}  // namespace velorix::skin

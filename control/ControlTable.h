#pragma once

#include <string>
#include <vector>

namespace velorix {

// Every control of the receiver window, one row each, in one place: the
// ids, the names, the controls the panel keeps, the skin's layout, the click
// dispatch and the key map all come from here.
//
// C(Name, id, kind, face, caption, x, y, group, key): a control that sends a
//   command, ControlId::Name = id (a slider: its notification number; its
//   caption column holds its name, which it does not draw).
// L(kind, face, caption, x, y, group): a label or panel that sends none;
//   the caption names the text it shows.
// Radio groups are consecutive ids: the first id plus the index.
// clang-format off
#define VELORIX_CONTROL_TABLE(C, L)                                                      \
    /* Window frame */                                                                   \
    C(Logo,               148, Button,     "IDB_LOGO",     "",        5,   4,   Frame,       None) \
    C(Minimize,           146, Button,     "IDB_MINIMIZE", "",        976, 3,   Frame,       None) \
    C(Exit,               144, Button,     "IDB_EXIT",     "",        1000, 3,  Frame,       None) \
    /* Receiver front end */                                                             \
    C(Att0,               150, CheckBox,   "IDB_CHKDARK",  "Off",     5,   47,  FrontEnd,    None) \
    C(Att10,              151, CheckBox,   "IDB_CHKDARK",  "10 dB",   45,  47,  FrontEnd,    None) \
    C(Att20,              152, CheckBox,   "IDB_CHKDARK",  "20 dB",   85,  47,  FrontEnd,    None) \
    C(Att30,              153, CheckBox,   "IDB_CHKDARK",  "30 dB",   125, 47,  FrontEnd,    None) \
    C(Presel,             176, CheckBox,   "IDB_CHKDARK",  "Presel",  7,   93,  FrontEnd,    None) \
    C(Preamp,             166, CheckBox,   "IDB_CHKDARK",  "Preamp",  47,  93,  FrontEnd,    None) \
    C(Dither,             167, CheckBox,   "IDB_CHKDARK",  "Dither",  87,  93,  FrontEnd,    None) \
    C(Rate125,            200, CheckBox,   "IDB_CHKDARK",  "125",     5,   465, FrontEnd,    None) \
    C(Rate250,            201, CheckBox,   "IDB_CHKDARK",  "250",     45,  465, FrontEnd,    None) \
    C(Rate500,            202, CheckBox,   "IDB_CHKDARK",  "500",     85,  465, FrontEnd,    None) \
    C(Cal,                191, TextButton, "BTNDARK",      "Cal",     85,  418, FrontEnd,    None) \
    C(CalClr,             192, TextButton, "BTNDARK",      "CalClr",  125, 418, FrontEnd,    None) \
    /* Value labels with their arrows */                                                 \
    L(ValueLabel,                          "149",          "RefLev",  5,   143, Displays)        \
    C(RefLevDown,         180, Button,     "ARROWD",       "",        122, 145, Displays,    None) \
    C(RefLevUp,           181, Button,     "ARROWU",       "",        145, 145, Displays,    None) \
    L(ValueLabel,                          "149",          "Scale",   5,   183, Displays)        \
    C(ScaleDown,          182, Button,     "ARROWD",       "",        122, 185, Displays,    None) \
    C(ScaleUp,            183, Button,     "ARROWU",       "",        145, 185, Displays,    None) \
    L(ValueLabel,                          "149",          "Span",    5,   284, Displays)        \
    C(SpanDown,           184, Button,     "ARROWD",       "",        122, 286, Displays,    None) \
    C(SpanUp,             185, Button,     "ARROWU",       "",        145, 286, Displays,    None) \
    L(ValueLabel,                          "149",          "CFStep",  5,   324, Tuning)          \
    C(CFStepDown,         186, Button,     "ARROWD",       "",        122, 327, Tuning,      None) \
    C(CFStepUp,           187, Button,     "ARROWU",       "",        145, 327, Tuning,      None) \
    L(ValueLabel,                          "149",          "WheelStep", 5, 364, Tuning)          \
    C(WheelStepDown,      188, Button,     "ARROWD",       "",        122, 366, Tuning,      Down) \
    C(WheelStepUp,        189, Button,     "ARROWU",       "",        145, 366, Tuning,      Up)   \
    /* Tuning */                                                                         \
    L(Readout,                             "189",          "Freq",    4,   226, Tuning)          \
    C(Center,             190, CheckBox,   "IDB_CHKDARK",  "Center",  5,   418, Tuning,      None) \
    C(CentreDown,         260, Button,     "ARROWL",       "",        178, 301, Tuning,      PageDown) \
    C(CentreUp,           261, Button,     "ARROWR",       "",        973, 301, Tuning,      PageUp) \
    C(StepDown,           270, Button,     "ARROWL",       "",        220, 540, Tuning,      Left) \
    C(StepUp,             271, Button,     "ARROWR",       "",        403, 540, Tuning,      Right) \
    /* Demodulator */                                                                    \
    C(Mode0,              340, CheckBox,   "IDB_CHK49x25", "AM",      181, 332, Demodulator, None) \
    C(ModeSam,            341, CheckBox,   "IDB_CHK49x25", "SAM",     231, 332, Demodulator, None) \
    C(ModeCw,             342, CheckBox,   "IDB_CHK49x25", "CW",      281, 332, Demodulator, None) \
    C(ModeRtty,           343, CheckBox,   "IDB_CHK49x25", "RTTY",    331, 332, Demodulator, None) \
    C(ModeUsb,            344, CheckBox,   "IDB_CHK49x25", "USB",     381, 332, Demodulator, None) \
    C(ModeLsb,            345, CheckBox,   "IDB_CHK49x25", "LSB",     431, 332, Demodulator, None) \
    C(ModeFm,             346, CheckBox,   "IDB_CHK49x25", "FM",      481, 332, Demodulator, None) \
    C(ModeDrm,            347, CheckBox,   "IDB_CHK49x25", "DRM",     531, 332, Demodulator, None) \
    C(ModeUser,           348, CheckBox,   "IDB_CHK49x25", "USER",    581, 332, Demodulator, None) \
    C(Filter0,            220, CheckBox,   "IDB_CHKDARK",  "25 kHz",  179, 402, Demodulator, None) \
    C(Filter12,           221, CheckBox,   "IDB_CHKDARK",  "12 kHz",  179, 424, Demodulator, None) \
    C(Filter6,            222, CheckBox,   "IDB_CHKDARK",  " 6 kHz",  179, 446, Demodulator, None) \
    C(Filter3,            223, CheckBox,   "IDB_CHKDARK",  " 3 kHz",  179, 468, Demodulator, None) \
    C(Filter1600,         224, CheckBox,   "IDB_CHKDARK",  "1.6kHz",  179, 490, Demodulator, None) \
    C(Filter800,          225, CheckBox,   "IDB_CHKDARK",  "0.8kHz",  179, 512, Demodulator, None) \
    C(Agc0,               240, CheckBox,   "IDB_CHKDARK",  "Fast",    545, 473, Demodulator, None) \
    C(AgcMed,             241, CheckBox,   "IDB_CHKDARK",  "Med",     545, 495, Demodulator, None) \
    C(AgcSlow,            242, CheckBox,   "IDB_CHKDARK",  "Slow",    545, 517, Demodulator, None) \
    C(AgcOff,             243, CheckBox,   "IDB_CHKDARK",  "Off",     545, 539, Demodulator, None) \
    /* The five squares with their sliders */                                            \
    C(MainAvg,            280, CheckBox,   "SQUARE",       "",        437, 396, Displays,    None) \
    C(MainAvgSlider,      330, Slider,     "187",          "MainAvg", 438, 416, Displays,    None) \
    C(SecAvg,             290, CheckBox,   "SQUARE",       "",        467, 396, Displays,    None) \
    C(SecAvgSlider,       331, Slider,     "187",          "SecAvg",  468, 416, Displays,    None) \
    C(NoiseBlanker,       300, CheckBox,   "SQUARE",       "",        507, 396, Demodulator, None) \
    C(NoiseBlankerSlider, 332, Slider,     "187",          "NoiseBlanker", 508, 416, Demodulator, None) \
    C(NoiseReduction,     310, CheckBox,   "SQUARE",       "",        960, 396, Demodulator, None) \
    C(NoiseRedSlider,     333, Slider,     "187",          "NoiseRed", 961, 416, Demodulator, None) \
    C(Audio,              320, CheckBox,   "SQUARE",       "",        992, 396, Demodulator, None) \
    C(VolumeSlider,       334, Slider,     "187",          "Volume",  993, 416, Demodulator, None) \
    /* Displays and meter */                                                             \
    C(EdgeUp,             262, Button,     "ARROWU",       "",        998, 30,  Displays,    None) \
    C(EdgeDown,           263, Button,     "ARROWD",       "",        998, 279, Displays,    None) \
    C(DispSpect,          360, CheckBox,   "IDB_CHKDARK",  "Spect",   203, 301, Displays,    None) \
    C(DispWFall,          361, CheckBox,   "IDB_CHKDARK",  "WFall",   243, 301, Displays,    None) \
    C(SecTune,            370, CheckBox,   "IDB_CHKDARK",  "Tune",    243, 540, Displays,    None) \
    C(SecPbt,             371, CheckBox,   "IDB_CHKDARK",  "PBT",     283, 540, Displays,    None) \
    C(SecNotch,           372, CheckBox,   "IDB_CHKDARK",  "Notch",   323, 540, Displays,    None) \
    C(ClearMarkers,       230, TextButton, "BTNDARK",      "Clr",     545, 386, Displays,    None) \
    C(Delta,              231, CheckBox,   "IDB_CHKDARK",  "Delta",   545, 408, Displays,    None) \
    C(MarkerPeak,         232, CheckBox,   "IDB_CHKDARK",  "Peak",    545, 430, Displays,    None) \
    C(SmtrRms,            251, CheckBox,   "IDB_CHKDARK",  "Rms",     907, 391, Displays,    None) \
    C(SmtrPeak,           252, CheckBox,   "IDB_CHKDARK",  "Peak",    907, 413, Displays,    None) \
    /* Source, recording and status */                                                   \
    C(SourceReceiver,     210, CheckBox,   "IDB_CHKDARK",  "Velorix", 5,   512, Source,      None) \
    C(SourceWav,          211, CheckBox,   "IDB_CHKDARK",  "Wav",     45,  512, Source,      None) \
    C(FileOpen,           212, TextButton, "BTNDARK",      "File..",  125, 512, Source,      None) \
    C(Stop,               390, Button,     "STOP",         "",        6,   588, Source,      None) \
    C(Play,               392, Button,     "PLAY",         "",        48,  588, Source,      None) \
    C(Record,             393, Button,     "RECORD",       "",        90,  588, Source,      None) \
    L(StatusLabel,                         "201",          "Date",    31,  566, Source)          \
    L(StatusLabel,                         "202",          "Time",    176, 566, Source)          \
    L(StatusLabel,                         "203",          "File",    284, 566, Source)          \
    L(RecordingBar,                        "204",          "RecBar",  175, 587, Source)          \
    /* Station lists */                                                                  \
    C(ListHfcc,           400, CheckBox,   "IDB_CHKDARK",  "HFCC",    597, 540, Stations,    None) \
    C(ListEibi,           401, CheckBox,   "IDB_CHKDARK",  "EIBI",    638, 540, Stations,    None) \
    C(ListUser,           402, CheckBox,   "IDB_CHKDARK",  "User",    679, 540, Stations,    None) \
    L(StationPanel,                        "190",          "Mem",     597, 457, Stations)
// clang-format on

#define VELORIX_CONTROL_ID(name, id, ...) name = id,
#define VELORIX_NO_CONTROL_ID(...)
// The commands of the window's controls.
enum class ControlId : int { VELORIX_CONTROL_TABLE(VELORIX_CONTROL_ID, VELORIX_NO_CONTROL_ID) };
#undef VELORIX_CONTROL_ID
#undef VELORIX_NO_CONTROL_ID

// What a control is, which decides the widget that wears its face.
enum class ControlKind {
    Button,        // bitmap push button: faces U, D, G (frame buttons: U, D)
    TextButton,    // push button with a caption
    CheckBox,      // faces UU, UC, DU, DC with an optional caption
    ValueLabel,    // face 149, a number right-aligned
    StatusLabel,   // faces 201-203, text left-aligned
    Slider,        // track 187, thumb 188
    RecordingBar,  // face 204
    Readout,       // face 189
    StationPanel,  // face 190
};

// The part of the window a control belongs to.
enum class ControlGroup { Frame, FrontEnd, Tuning, Demodulator, Displays, Source, Stations };

// The keys that do what a control does.
enum class ControlKey { None, Left, Right, PageDown, PageUp, Down, Up };

// One row of the table: its command id (-1 for a label or panel), the base
// name of its faces, its caption (a label's text name, a slider's name) and
// its top-left corner in window pixels.
struct ControlRow {
    ControlKind kind;
    int id;
    std::string base;
    std::string caption;
    int x;
    int y;
    ControlGroup group = ControlGroup::Frame;
    ControlKey key = ControlKey::None;
    // The caption, or the face for a control without one, with the id
    // after it when that alone names more than one control ("Presel",
    // "ARROWL 260", "Off 243").
    std::string name{};
};

// Every control of the 1024 x 620 window, in the table's order.
const std::vector<ControlRow>& ControlTable();
// The row of a command; null for an id no control sends.
const ControlRow* FindControl(ControlId id);
// The control's name, for messages and the accessibility tree;
// "control <n>" for an id no control sends.
std::string ControlName(ControlId id);
// The control a key stands for; none for other keys.
const ControlRow* ControlForKey(ControlKey key);

inline ControlId Offset(ControlId first, int index) {
    return static_cast<ControlId>(static_cast<int>(first) + index);
}
// Whether `id` is entry `index` of the radio group of `count` from `first`.
inline bool InGroup(ControlId id, ControlId first, int count, int& index) {
    index = static_cast<int>(id) - static_cast<int>(first);
    return index >= 0 && index < count;
}

// A demodulator mode's name by its number (0..8, the settings' mode index),
// as its button and the command line name it; "?" for another number.
const char* ModeName(int mode);

}  // namespace velorix

#pragma once

#include <QImage>
#include <QSize>
#include <map>
#include <string>
#include <vector>

namespace velorix::skin {

// Every face of the window, drawn by code at its exact size. A control named
// by a base name finds its faces under base + suffix: "U", "D", "G" for push
// buttons ("ARROWUU" is the up face of "ARROWU"), "UU", "UC", "DU", "DC" for
// check boxes. Panels are named by number: "134" the background, "149" the
// value label, "187"/"188" slider track and thumb, "189" the frequency
// readout, "190" the station panel, "201"-"203" the status labels and "204"
// the recording bar. The same faces come out pixel for pixel on every run.
//
// A skin is drawn for one device pixel ratio: its faces have the sizes above
// in window pixels and `ratio` times as many image pixels, every line, glyph
// and letter drawn at that resolution rather than enlarged.
class Skin {
public:
    // Draws every face at FaceRatio(ratio) and checks the window layout
    // against their sizes. Throws std::logic_error when two placed faces
    // would overlap. Needs a QGuiApplication (fonts); takes a few tens of
    // milliseconds at ratio 1, about ratio² times that above.
    static Skin Generate(double ratio = 1.0);
    // The skin for `ratio`, generated on first use and kept for the program
    // (GUI thread only).
    static const Skin& Shared(double ratio = 1.0);

    bool Has(const std::string& name) const { return faces_.count(name) != 0; }
    // Throws std::out_of_range naming the face when the skin has none so named.
    const QImage& Face(const std::string& name) const;
    // The face's size in window pixels.
    QSize Size(const std::string& name) const;
    std::vector<std::string> Names() const;
    // The face as PNG file bytes.

private:
    std::map<std::string, QImage> faces_;
};

// The ratio the skin draws for a device of `deviceRatio`: below 1 the faces
// stay at 1 (the screen shrinks them), above 4 at 4 (the screen enlarges them).
double FaceRatio(double deviceRatio);

}  // namespace velorix::skin

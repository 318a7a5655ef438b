#pragma once

#include <QImage>
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
class Skin {
public:
    // Draws every face and checks the window layout against their sizes.
    // Throws std::logic_error when two placed faces would overlap. Needs a
    // QGuiApplication (fonts); takes a few tens of milliseconds.
    static Skin Generate();
    // The skin generated once for the program (GUI thread only).
    static const Skin& Shared();

    bool Has(const std::string& name) const { return faces_.count(name) != 0; }
    // Throws std::out_of_range naming the face when the skin has none so named.
    const QImage& Face(const std::string& name) const;
    std::vector<std::string> Names() const;
    // The face as PNG file bytes.

private:
    std::map<std::string, QImage> faces_;
};

}  // namespace velorix::skin

#include "ScenarioFuzz.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BandScenario.h"

namespace velorix::sim::test {

namespace {

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "scenario fuzz: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool Finite(const StationDef& s) {
    for (double v : {s.freqHz, s.levelDbm, s.depth, s.wpm, s.baud, s.shiftHz, s.deviationHz,
                     s.fadingSeconds, s.audio.tone1Hz, s.audio.tone2Hz})
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

void FuzzScenario(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find("wav:") != std::string::npos) return;
    const long lines = std::count(text.begin(), text.end(), '\n') + 1;
    const ScenarioResult r = ParseScenario(text, "fuzz.band");
    if (r.scenario.has_value() == !r.error.empty()) Broken("scenario and error disagree", r.error);
    if (!r.scenario) {
        // "fuzz.band:LINE: what is wrong", LINE within the text.
        const long line = std::strtol(r.error.c_str() + 10, nullptr, 10);
        if (r.error.rfind("fuzz.band:", 0) != 0 || line < 1 || line > lines ||
            r.error.find(": ", 10) == std::string::npos)
            Broken("error without its place", r.error);
        return;
    }
    int previous = 0;
    for (const StationDef& s : r.scenario->stations) {
        if (!Finite(s)) Broken("station value not finite", std::to_string(s.line));
        if (s.line <= previous || s.line > lines)
            Broken("station line out of order", std::to_string(s.line));
        previous = s.line;
    }
}

}  // namespace velorix::sim::test

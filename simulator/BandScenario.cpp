#include "BandScenario.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "AudioSources.h"
#include "CheckedFile.h"
#include "TextKeying.h"

namespace velorix::sim {

namespace {

struct ParseError {
    std::string what;
};

// A value quoted back in an error, cut to 80 characters: a line may be
// megabytes long.
std::string Echo(const std::string& value) {
    constexpr size_t kMaxEcho = 80;
    return value.size() <= kMaxEcho ? value : value.substr(0, kMaxEcho) + "...";
}

struct Pair {
    std::string key, value;
};

// Splits a line into words; a double-quoted part of a word keeps its spaces and '#'.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (quoted) {
            if (c == '"')
                quoted = false;
            else
                word += c;
            continue;
        }
        if (c == '#') break;
        if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '"')
            quoted = true;
        else
            word += c;
    }
    if (quoted) throw ParseError{"unterminated quote"};
    if (inWord) words.push_back(word);
    return words;
}

double Number(const Pair& p, double low, double high) {
    const char* s = p.value.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s, &end);
    if (p.value.empty() || errno || *end || !std::isfinite(v))
        throw ParseError{p.key + " needs a number, got '" + Echo(p.value) + "'"};
    if (v < low || v > high) {
        std::ostringstream m;
        m << p.key << "=" << p.value << " is out of range (" << low << " to " << high << ")";
        throw ParseError{m.str()};
    }
    return v;
}

StationMode Mode(const std::string& text) {
    static const std::map<std::string, StationMode> kModes = {
        {"CARRIER", StationMode::Carrier}, {"AM", StationMode::Am},  {"USB", StationMode::Usb},
        {"LSB", StationMode::Lsb},         {"CW", StationMode::Cw},  {"RTTY", StationMode::Rtty},
        {"FM", StationMode::Fm},           {"DRM", StationMode::Drm}};
    const auto it = kModes.find(text);
    if (it == kModes.end())
        throw ParseError{"unknown mode '" + Echo(text) +
                         "' (CARRIER, AM, USB, LSB, CW, RTTY, FM, DRM)"};
    return it->second;
}

AudioDef Audio(const std::string& value, const std::string& baseDir) {
    AudioDef a;
    auto tone = [&](const std::string& t) { return Number(Pair{"audio tone", t}, 1.0, 6000.0); };
    if (value == "voice") {
        a.kind = AudioDef::Kind::Voice;
    } else if (value == "music") {
        a.kind = AudioDef::Kind::Music;
    } else if (value == "silence") {
        a.kind = AudioDef::Kind::Silence;
    } else if (value.rfind("tone:", 0) == 0) {
        a.kind = AudioDef::Kind::Tone;
        a.tone1Hz = tone(value.substr(5));
    } else if (value.rfind("tones:", 0) == 0) {
        const std::string rest = value.substr(6);
        const size_t plus = rest.find('+');
        if (plus == std::string::npos)
            throw ParseError{"tones needs F1+F2, got '" + Echo(value) + "'"};
        a.kind = AudioDef::Kind::Tones;
        a.tone1Hz = tone(rest.substr(0, plus));
        a.tone2Hz = tone(rest.substr(plus + 1));
    } else if (value.rfind("wav:", 0) == 0 && value.size() > 4) {
        a.kind = AudioDef::Kind::Wav;
        a.path = value.substr(4);
        if (a.path[0] != '/' && !baseDir.empty()) a.path = baseDir + "/" + a.path;
        std::string error;
        a.wavSamples = ReadWavAudio(a.path, error);
        if (!a.wavSamples) throw ParseError{error};
    } else {
        throw ParseError{"unknown audio '" + Echo(value) +
                         "' (tone:F, tones:F1+F2, voice, music, wav:PATH, silence)"};
    }
    return a;
}

std::string Text(const Pair& p, bool morse) {
    if (p.value.empty()) throw ParseError{"text is empty"};
    for (char c : p.value) {
        if (morse ? !text_keying::MorseCanSend(c) : !text_keying::BaudotCanSend(c))
            throw ParseError{std::string("character '") + c + "' cannot be sent in " +
                             (morse ? "Morse" : "Baudot")};
    }
    return p.value;
}

std::vector<Pair> Pairs(const std::vector<std::string>& words) {
    std::vector<Pair> pairs;
    std::set<std::string> seen;
    for (size_t i = 1; i < words.size(); ++i) {
        const size_t eq = words[i].find('=');
        if (eq == std::string::npos || eq == 0)
            throw ParseError{"expected key=value, got '" + Echo(words[i]) + "'"};
        Pair p{words[i].substr(0, eq), words[i].substr(eq + 1)};
        if (!seen.insert(p.key).second) throw ParseError{"'" + Echo(p.key) + "' given twice"};
        pairs.push_back(p);
    }
    return pairs;
}

void Noise(const std::vector<Pair>& pairs, BandScenario& s) {
    if (s.noiseDensityDbmHz) throw ParseError{"noise given twice"};
    double density = -150.0;
    for (const Pair& p : pairs) {
        if (p.key != "density") throw ParseError{"unknown key '" + Echo(p.key) + "' for noise"};
        density = Number(p, -200.0, -60.0);
    }
    s.noiseDensityDbmHz = density;
}

void Impulses(const std::vector<Pair>& pairs, BandScenario& s) {
    if (s.impulses) throw ParseError{"impulses given twice"};
    BandScenario::Impulses im;
    for (const Pair& p : pairs) {
        if (p.key == "rate")
            im.ratePerSecond = Number(p, 0.0, 10000.0);
        else if (p.key == "level")
            im.levelDbm = Number(p, -200.0, 30.0);
        else if (p.key == "width") {
            const double w = Number(p, 1.0, 1000.0);
            if (w != std::floor(w)) throw ParseError{"width must be a whole number of samples"};
            im.widthSamples = int(w);
        } else
            throw ParseError{"unknown key '" + Echo(p.key) + "' for impulses"};
    }
    s.impulses = im;
}

StationDef Station(const std::vector<Pair>& pairs, const std::string& baseDir) {
    StationDef st;
    const Pair* freq = nullptr;
    const Pair* mode = nullptr;
    const Pair* level = nullptr;
    for (const Pair& p : pairs) {
        if (p.key == "freq") freq = &p;
        if (p.key == "mode") mode = &p;
        if (p.key == "level") level = &p;
    }
    if (!freq) throw ParseError{"station needs freq"};
    if (!mode) throw ParseError{"station needs mode"};
    if (!level) throw ParseError{"station needs level"};
    st.freqHz = Number(*freq, 0.0, 40e6);
    st.mode = Mode(mode->value);
    st.levelDbm = Number(*level, -200.0, 30.0);
    const bool audioMode = st.mode == StationMode::Am || st.mode == StationMode::Usb ||
                           st.mode == StationMode::Lsb || st.mode == StationMode::Fm;
    if (st.mode == StationMode::Cw) st.text = "CQ CQ CQ DE VIRTUAL K";
    if (st.mode == StationMode::Rtty) st.text = "RYRYRY CQ CQ DE VIRTUAL";
    for (const Pair& p : pairs) {
        const std::string& k = p.key;
        const bool ok =
            k == "freq" || k == "mode" || k == "level" || k == "fading" ||
            (k == "audio" && audioMode) || (k == "depth" && st.mode == StationMode::Am) ||
            (k == "deviation" && st.mode == StationMode::Fm) ||
            ((k == "text") && (st.mode == StationMode::Cw || st.mode == StationMode::Rtty)) ||
            (k == "wpm" && st.mode == StationMode::Cw) ||
            ((k == "baud" || k == "shift") && st.mode == StationMode::Rtty);
        if (!ok)
            throw ParseError{"unknown key '" + Echo(k) + "' for a " + ModeName(st.mode) +
                             " station"};
        if (k == "fading") {
            st.fadingSeconds = Number(p, 0.0, 3600.0);
            if (st.fadingSeconds > 0 && st.fadingSeconds < 0.5)
                throw ParseError{"fading period must be 0 (none) or at least 0.5 s"};
        }
        if (k == "audio") st.audio = Audio(p.value, baseDir);
        if (k == "depth") st.depth = Number(p, 0.0, 1.0);
        if (k == "deviation") st.deviationHz = Number(p, 100.0, 5000.0);
        if (k == "text") st.text = Text(p, st.mode == StationMode::Cw);
        if (k == "wpm") st.wpm = Number(p, 5.0, 60.0);
        if (k == "baud") st.baud = Number(p, 10.0, 300.0);
        if (k == "shift") st.shiftHz = Number(p, 10.0, 1000.0);
    }
    if (st.mode == StationMode::Fm && st.audio.kind != AudioDef::Kind::Silence) {
        const double top = std::max(st.audio.tone1Hz, st.audio.tone2Hz);
        const bool tones =
            st.audio.kind == AudioDef::Kind::Tone || st.audio.kind == AudioDef::Kind::Tones;
        if (st.deviationHz + (tones ? top : 3000.0) > 6000.0)
            throw ParseError{"deviation plus audio bandwidth must stay within 6000 Hz"};
    }
    return st;
}

}  // namespace

const char* ModeName(StationMode mode) {
    switch (mode) {
        case StationMode::Carrier:
            return "CARRIER";
        case StationMode::Am:
            return "AM";
        case StationMode::Usb:
            return "USB";
        case StationMode::Lsb:
            return "LSB";
        case StationMode::Cw:
            return "CW";
        case StationMode::Rtty:
            return "RTTY";
        case StationMode::Fm:
            return "FM";
        case StationMode::Drm:
            return "DRM";
    }
    return "?";
}

static ScenarioResult Parse(const std::string& text, const std::string& name,
                            const std::string& baseDir) {
    BandScenario s;
    s.name = name;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        try {
            const std::vector<std::string> words = Words(line);
            if (words.empty()) continue;
            const std::vector<Pair> pairs = Pairs(words);
            if (words[0] == "noise")
                Noise(pairs, s);
            else if (words[0] == "impulses")
                Impulses(pairs, s);
            else if (words[0] == "station") {
                s.stations.push_back(Station(pairs, baseDir));
                s.stations.back().line = number;
            } else
                throw ParseError{"unknown statement '" + Echo(words[0]) +
                                 "' (noise, impulses, station)"};
        } catch (const ParseError& e) {
            return {std::nullopt, name + ":" + std::to_string(number) + ": " + e.what};
        }
    }
    return {std::move(s), {}};
}

ScenarioResult ParseScenario(const std::string& text, const std::string& name) {
    return Parse(text, name, "");
}

ScenarioResult LoadScenarioFile(const std::string& path) {
    files::FileProblem problem;
    const auto text = files::ReadInput(path, files::kScenarioLimit, &problem);
    if (!text) return {std::nullopt, problem.Describe(path)};
    const size_t slash = path.rfind('/');
    return Parse(*text, path, slash == std::string::npos ? "." : path.substr(0, slash));
}

}  // namespace velorix::sim

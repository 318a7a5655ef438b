#include "TextKeying.h"

#include <cctype>
#include <cstring>

namespace velorix::sim::text_keying {

namespace {

struct MorseEntry {
    char c;
    const char* code;
};

constexpr MorseEntry kMorse[] = {
    {'A', ".-"},     {'B', "-..."},    {'C', "-.-."},   {'D', "-.."},    {'E', "."},
    {'F', "..-."},   {'G', "--."},     {'H', "...."},   {'I', ".."},     {'J', ".---"},
    {'K', "-.-"},    {'L', ".-.."},    {'M', "--"},     {'N', "-."},     {'O', "---"},
    {'P', ".--."},   {'Q', "--.-"},    {'R', ".-."},    {'S', "..."},    {'T', "-"},
    {'U', "..-"},    {'V', "...-"},    {'W', ".--"},    {'X', "-..-"},   {'Y', "-.--"},
    {'Z', "--.."},   {'0', "-----"},   {'1', ".----"},  {'2', "..---"},  {'3', "...--"},
    {'4', "....-"},  {'5', "....."},   {'6', "-...."},  {'7', "--..."},  {'8', "---.."},
    {'9', "----."},  {'.', ".-.-.-"},  {',', "--..--"}, {'?', "..--.."}, {'/', "-..-."},
    {'=', "-...-"},  {'+', ".-.-."},   {'-', "-....-"}, {'(', "-.--."},  {')', "-.--.-"},
    {':', "---..."}, {'\'', ".----."}, {'@', ".--.-."},
};

const char* MorseCode(char c) {
    const char u = char(std::toupper(static_cast<unsigned char>(c)));
    for (const MorseEntry& e : kMorse)
        if (e.c == u) return e.code;
    return nullptr;
}

// ITA2: index = code, letters and figures.
constexpr char kLetters[32] = {0,   'E', '\n', 'A', ' ', 'S', 'I', 'U', '\r', 'D', 'R',
                               'J', 'N', 'F',  'C', 'K', 'T', 'Z', 'L', 'W',  'H', 'Y',
                               'P', 'Q', 'O',  'B', 'G', 0,   'M', 'X', 'V',  0};
constexpr char kFigures[32] = {0,    '3', '\n', '-', ' ', 0,   '8', '7', '\r', 0, '4',
                               '\'', ',', 0,    ':', '(', '5', '+', ')', '2',  0, '6',
                               '0',  '1', '9',  '?', 0,   0,   '.', '/', '=',  0};
constexpr uint8_t kFigs = 0x1B, kLtrs = 0x1F;

}  // namespace

bool MorseCanSend(char c) {
    return c == ' ' || MorseCode(c) != nullptr;
}

std::vector<uint8_t> MorseUnits(const std::string& text) {
    std::vector<uint8_t> units;
    auto gap = [&](size_t n) { units.insert(units.end(), n, 0); };
    bool letterOpen = false;
    for (char c : text) {
        const char* code = MorseCode(c);
        if (!code) {                 // space, or nothing to send
            if (letterOpen) gap(4);  // letter gap 3 already given: 7 in all
            letterOpen = false;
            continue;
        }
        for (const char* e = code; *e; ++e) {
            units.insert(units.end(), *e == '-' ? 3 : 1, 1);
            gap(1);
        }
        gap(2);  // letter gap: 3 with the element gap
        letterOpen = true;
    }
    if (units.empty()) return {0};
    gap(4);  // word gap before the text repeats
    return units;
}

bool BaudotCode(char c, uint8_t& code, bool& figures) {
    const char u = char(std::toupper(static_cast<unsigned char>(c)));
    if (u == 0) return false;
    for (int i = 0; i < 32; ++i) {
        if (kLetters[i] == u) {
            code = uint8_t(i);
            figures = false;
            return true;
        }
    }
    for (int i = 0; i < 32; ++i) {
        if (kFigures[i] == u) {
            code = uint8_t(i);
            figures = true;
            return true;
        }
    }
    return false;
}

bool BaudotCanSend(char c) {
    uint8_t code;
    bool figures;
    return BaudotCode(c, code, figures);
}

std::vector<uint8_t> BaudotHalfBits(const std::string& text) {
    std::vector<uint8_t> halves;
    auto send = [&](uint8_t code) {
        halves.insert(halves.end(), 2, 0);  // start
        for (int b = 0; b < 5; ++b)
            halves.insert(halves.end(), 2, uint8_t((code >> b) & 1));
        halves.insert(halves.end(), 3, 1);  // 1.5 stop bits
    };
    bool inFigures = false;
    send(kLtrs);
    for (char c : text + "\r\n") {
        uint8_t code;
        bool figures;
        if (!BaudotCode(c, code, figures)) continue;
        const bool shared = c == ' ' || c == '\r' || c == '\n';  // in both sets
        if (!shared && figures != inFigures) {
            send(figures ? kFigs : kLtrs);
            inFigures = figures;
        }
        send(code);
    }
    if (inFigures) send(kLtrs);  // each repetition starts in letters
    return halves;
}

}  // namespace velorix::sim::text_keying

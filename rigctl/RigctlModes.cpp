#include "RigctlModes.h"

#include <array>
#include <cstdlib>

namespace velorix {

namespace {

struct HamlibMode {
    std::string_view token;
    int mode;
    std::uint64_t bit;
};

// In reading-back order: the first token of a mode is the one `m` answers.
constexpr std::array<HamlibMode, 9> kModes = {{
    {"AM", 0, 0x1},
    {"AMS", 1, 0x200},
    {"CW", 2, 0x2},
    {"RTTY", 3, 0x10},
    {"USB", 4, 0x4},
    {"LSB", 5, 0x8},
    {"FM", 6, 0x20},
    {"PKTUSB", 4, 0x800},
    {"PKTLSB", 5, 0x400},
}};

}  // namespace

std::optional<int> ModeForToken(std::string_view token) {
    for (const HamlibMode& m : kModes)
        if (m.token == token) return m.mode;
    return std::nullopt;
}

const char* TokenForMode(int mode) {
    if (mode == 7) mode = 0;  // DRM: what an AM receiver would hear
    if (mode == 8) mode = 4;  // USER
    for (const HamlibMode& m : kModes)
        if (m.mode == mode) return m.token.data();
    return "AM";
}

std::uint64_t HamlibModeBits(int mode) {
    std::uint64_t bits = 0;
    for (const HamlibMode& m : kModes)
        if (m.mode == mode) bits |= m.bit;
    return bits;
}

std::uint64_t AllHamlibModeBits() {
    std::uint64_t bits = 0;
    for (const HamlibMode& m : kModes)
        bits |= m.bit;
    return bits;
}

int NearestFilter(const RigControl& rig, int mode, long long widthHz) {
    const int current = rig.Mode() == mode ? rig.Filter() : -1;
    const int preferred[] = {current, rig.DefaultFilter(mode)};
    int best = 0;
    long long bestDistance = -1;
    auto rank = [&](int filter) {
        for (int i = 0; i < 2; ++i)
            if (filter == preferred[i]) return i;
        return 2;
    };
    for (int f = 0; f < RigControl::kFilterCount; ++f) {
        const long long distance = std::llabs(rig.FilterWidthHz(mode, f) - widthHz);
        if (bestDistance < 0 || distance < bestDistance ||
            (distance == bestDistance && rank(f) < rank(best))) {
            best = f;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace velorix

#include "RigctlDumpState.h"

#include <cstdio>

#include "RigctlModes.h"

namespace velorix {

namespace {

// Hamlib's level bits: RAWSTR (bit 26) and STRENGTH (bit 30).
constexpr unsigned long long kReadableLevels = (1ull << 26) | (1ull << 30);
constexpr int kVfoA = 0x1;

std::string Hex(unsigned long long v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", v);
    return text;
}

}  // namespace

std::vector<std::string> DumpStateLines(const RigControl& rig) {
    const std::string modes = Hex(AllHamlibModeBits());
    std::vector<std::string> lines = {
        "1",  // protocol version: settings follow the fixed part, up to "done"
        "2",  // NET rigctl
        "0",  // ITU region
        // start end modes low-power high-power VFOs antennas
        "0.000000 40000000.000000 " + modes + " -1 -1 " + Hex(kVfoA) + " 0x0",
        "0 0 0 0 0 0 0",
        "0 0 0 0 0 0 0",  // receive only: no transmit range
        modes + " 1",     // 1 Hz steps
        "0 0",
    };
    for (int mode = 0; mode < RigControl::kModeCount; ++mode) {
        const unsigned long long bits = HamlibModeBits(mode);
        if (bits == 0) continue;
        // The default filter's width first; the other filters' widths once each.
        const int first = rig.DefaultFilter(mode);
        std::vector<int> widths = {rig.FilterWidthHz(mode, first)};
        for (int f = 0; f < RigControl::kFilterCount; ++f) {
            const int w = rig.FilterWidthHz(mode, f);
            bool seen = false;
            for (const int listed : widths)
                seen = seen || listed == w;
            if (!seen) widths.push_back(w);
        }
        for (const int w : widths)
            lines.push_back(Hex(bits) + " " + std::to_string(w));
    }
    const std::vector<std::string> tail = {
        "0 0",
        "0",                   // max RIT
        "0",                   // max XIT
        "0",                   // max IF shift
        "0",                   // announces
        "",                    // preamp steps
        "",                    // attenuator steps
        "0x0",                 // functions to read
        "0x0",                 // functions to set
        Hex(kReadableLevels),  // levels to read
        "0x0",                 // levels to set
        "0x0",                 // parameters to read
        "0x0",                 // parameters to set
        "vfo_ops=0",
        "ptt_type=0",
        // Frequency and mode "targetable": without it Hamlib's client, reading
        // both VFOs as it opens, switches to VFOB with `V VFOB` and back; the
        // one VFO answers for both instead.
        "targetable_vfo=0x3",
        "has_set_vfo=1",
        "has_get_vfo=1",
        "has_set_freq=1",
        "has_get_freq=1",
        "timeout=0",
        "rig_model=2",
        "done",
    };
    lines.insert(lines.end(), tail.begin(), tail.end());
    return lines;
}

}  // namespace velorix

#include "Bitstreams.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BitstreamKeys.h"
#include "CheckedFile.h"

namespace velorix {

namespace {
constexpr const char* kNames[kRateCount] = {"velorix125k24v11", "velorix250k24v11",
                                            "velorix500k24v11"};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

const char* BitstreamName(int rateIdx) {
    return kNames[std::clamp(rateIdx, 0, kRateCount - 1)];
}

const BitstreamKey& BuiltInBitstreamKey(int rateIdx) {
    static const std::array<BitstreamKey, kRateCount> keys = [] {
        std::array<BitstreamKey, kRateCount> k{};
        for (int i = 0; i < kRateCount; ++i)
            std::copy(kBitstreamKeys[i], kBitstreamKeys[i] + 6, k[i].begin());
        return k;
    }();
    return keys[std::clamp(rateIdx, 0, kRateCount - 1)];
}

std::vector<std::string> ReceiverFileDirectories(const files::ProgramPlace& place) {
    const char* device = std::getenv("VELORIX_DEVICE");
    std::vector<std::string> dirs = files::DataDirectories(place);
    return device && std::strcmp(device, "virtual") == 0 ? files::VirtualDirectories(dirs) : dirs;
}

bool ParseBitstreamKey(const std::string& text, BitstreamKey& key) {
    std::string digits;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        if (HexValue(c) < 0) return false;
        digits += c;
    }
    if (digits.size() != 12) return false;
    for (int i = 0; i < 6; ++i)
        key[i] = HexValue(digits[2 * i]) * 16 + HexValue(digits[2 * i + 1]);
    return true;
}

bool LoadBitstreamKey(const std::string& dir, int rateIdx, BitstreamKey& key, std::string& error) {
    // Messages name the files plainly, not the directory they were looked for in.
    const std::string name = BitstreamName(rateIdx);
    // The library would refuse the bitstream too, but only as "not found".
    files::FileProblem problem;
    if (!files::OpenInput(dir + "/" + name + ".sbs", files::kBitstreamLimit, &problem) &&
        !problem.Missing()) {
        error = problem.Describe(name + ".sbs");
        return false;
    }
    const auto text = files::ReadInput(dir + "/" + name + ".key", files::kKeyLimit, &problem);
    if (!text) {
        key = BuiltInBitstreamKey(rateIdx);
        if (problem.Missing()) return true;
        error = problem.Describe(name + ".key");
        return false;
    }
    if (!ParseBitstreamKey(*text, key)) {
        error = name + ".key: the key must be twelve hexadecimal digits";
        return false;
    }
    return true;
}

}  // namespace velorix

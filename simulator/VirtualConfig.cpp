#include "VirtualConfig.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace velorix::sim {

namespace {

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

void Ignore(const char* name, const char* value, const std::string& why) {
    std::fprintf(stderr, "velorix virtual receiver: ignoring %s=%s (%s)\n", name, value,
                 why.c_str());
}

bool ParseUnsigned(const char* text, unsigned long max, unsigned long& out) {
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, 0);
    if (errno || end == text || *end || v > max || text[0] == '-') return false;
    out = v;
    return true;
}

// "AT" or "AT:FOR", seconds, each 0 to a day.
bool ParseStallTimes(const std::string& text, double& at, double& forSeconds) {
    const size_t colon = text.find(':');
    auto seconds = [](const std::string& t, double& out) {
        char* end = nullptr;
        errno = 0;
        const double v = std::strtod(t.c_str(), &end);
        if (errno || t.empty() || *end || !(v >= 0.0 && v <= 86400.0)) return false;
        out = v;
        return true;
    };
    forSeconds = 0.0;
    return seconds(text.substr(0, colon), at) &&
           (colon == std::string::npos || seconds(text.substr(colon + 1), forSeconds));
}

}  // namespace

bool VirtualConfig::ApplyFaults(const std::string& list, std::string& error) {
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item.empty()) continue;
        if (item == "no-reenumerate") {
            noReenumerate = true;
        } else if (item == "fpga-never-done") {
            fpgaNeverDone = true;
        } else if (item == "stall-reads") {
            stallReads = true;
        } else if (item == "no-notifications") {
            noNotifications = true;
        } else if (item.rfind("short-reads=", 0) == 0) {
            unsigned long n = 0;
            if (!ParseUnsigned(item.c_str() + 12, 1000000, n) || n == 0) {
                error = "short-reads needs a count of 1 or more";
                return false;
            }
            shortReadEvery = int(n);
        } else if (item.rfind("stall-samples=", 0) == 0) {
            if (!ParseStallTimes(item.substr(14), sampleStallAtSeconds, sampleStallForSeconds)) {
                error = "stall-samples needs AT or AT:FOR in seconds";
                return false;
            }
        } else if (item.rfind("stall-command=", 0) == 0) {
            unsigned long n = 0;
            if (!ParseUnsigned(item.c_str() + 14, 255, n)) {
                error = "stall-command needs a command byte, 0 to 255";
                return false;
            }
            stallCommand = int(n);
        } else {
            error = "unknown fault '" + item + "'";
            return false;
        }
    }
    return true;
}

VirtualConfig VirtualConfig::FromEnvironment() {
    VirtualConfig c;
    if (const char* v = Env("VELORIX_VIRTUAL_SERIAL")) {
        unsigned long n = 0;
        if (ParseUnsigned(v, 0xFFFF, n))
            c.serial = uint16_t(n);
        else
            Ignore("VELORIX_VIRTUAL_SERIAL", v, "expected 0 to 65535");
    }
    if (const char* v = Env("VELORIX_VIRTUAL_HW_VERSION")) {
        unsigned major = 0, minor = 0;
        char tail = 0;
        if (std::sscanf(v, "%u.%u%c", &major, &minor, &tail) == 2 && major <= 255 && minor <= 255) {
            c.hwMajor = uint8_t(major);
            c.hwMinor = uint8_t(minor);
        } else {
            Ignore("VELORIX_VIRTUAL_HW_VERSION", v, "expected major.minor, each 0 to 255");
        }
    }
    if (const char* v = Env("VELORIX_VIRTUAL_UNIT_ID")) {
        std::string s(v);
        bool ok = s.size() == 12;
        std::array<uint8_t, 6> id{};
        for (int i = 0; ok && i < 6; ++i) {
            unsigned long b = 0;
            // Written as shown to the user: byte 11 of the record first.
            ok = ParseUnsigned(("0x" + s.substr(size_t(2 * i), 2)).c_str(), 255, b) &&
                 std::isxdigit(static_cast<unsigned char>(s[size_t(2 * i)]));
            id[size_t(5 - i)] = uint8_t(b);
        }
        if (ok)
            c.unitId = id;
        else
            Ignore("VELORIX_VIRTUAL_UNIT_ID", v, "expected 12 hex digits");
    }
    if (const char* v = Env("VELORIX_VIRTUAL_MANUFACTURER")) c.manufacturer = v;
    if (const char* v = Env("VELORIX_VIRTUAL_PRODUCT")) c.product = v;
    if (const char* v = Env("VELORIX_VIRTUAL_FAULTS")) {
        std::string error;
        VirtualConfig trial = c;
        if (trial.ApplyFaults(v, error))
            c = trial;
        else
            Ignore("VELORIX_VIRTUAL_FAULTS", v, error);
    }
    if (const char* v = Env("VELORIX_SIM_SCENARIO")) c.scenarioFile = v;
    if (const char* v = Env("VELORIX_SIM_SEED")) {
        unsigned long long n = 0;
        char* end = nullptr;
        errno = 0;
        n = std::strtoull(v, &end, 0);
        if (errno || *end || v[0] == '-')
            Ignore("VELORIX_SIM_SEED", v, "expected a whole number");
        else
            c.seed = n;
    }
    if (const char* v = Env("VELORIX_SIM_SOURCE")) {
        const std::string s(v);
        if (s == "testtone" || s == "band")
            c.testTone = s == "testtone";
        else if (s.rfind("wav:", 0) == 0 && s.size() > 4)
            c.recording = s.substr(4);
        else
            Ignore("VELORIX_SIM_SOURCE", v, "expected band, testtone or wav:FILE");
    }
    if (const char* v = Env("VELORIX_VIRTUAL_PLUG")) c.plugFile = v;
    if (const char* v = Env("VELORIX_VIRTUAL_TRACE")) c.traceFile = v;
    return c;
}

}  // namespace velorix::sim

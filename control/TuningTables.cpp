#include "TuningTables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velorix {

int OffsetLimitHz(double rateKHz) {
    return static_cast<int>(std::trunc(rateKHz * 400.0));
}

bool OffsetWithinLimit(std::int64_t offsetHz, double rateKHz) {
    const std::int64_t limit = OffsetLimitHz(rateKHz);
    return offsetHz >= -limit && offsetHz <= limit;
}

int LimitOffsetHz(std::int64_t offsetHz, double rateKHz) {
    const std::int64_t limit = OffsetLimitHz(rateKHz);
    return static_cast<int>(std::clamp(offsetHz, -limit, limit));
}

std::string CFStepText(int stepHz) {
    char text[32];
    if (stepHz > 999999)
        std::snprintf(text, sizeof text, "%.1f MHz", stepHz * 1e-6);
    else if (stepHz >= 1000)
        std::snprintf(text, sizeof text, "%.1f kHz", stepHz * 0.001);
    else
        std::snprintf(text, sizeof text, "%d Hz", stepHz);
    return text;
}

std::string WheelStepText(int stepHz) {
    char text[32];
    if (stepHz >= 1000)
        std::snprintf(text, sizeof text, "%.1f kHz", stepHz * 0.001);
    else
        std::snprintf(text, sizeof text, "%d Hz", stepHz);
    return text;
}

ReadoutText FormatReadout(std::int64_t tunedHz) {
    const char sign = tunedHz < 0 ? '-' : ' ';
    const std::int64_t m = tunedHz < 0 ? -tunedHz : tunedHz;
    char large[40];
    char small[16];
    if (m >= 1000000)
        std::snprintf(large, sizeof large, "%c%lld.%03lld", sign,
                      static_cast<long long>(m / 1000000),
                      static_cast<long long>((m % 1000000) / 1000));
    else
        std::snprintf(large, sizeof large, "%c%lld", sign,
                      static_cast<long long>((m % 1000000) / 1000));
    std::snprintf(small, sizeof small, "%03lld", static_cast<long long>(m % 1000));
    return {large, small};
}

}  // namespace velorix

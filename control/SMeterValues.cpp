#include "SMeterValues.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "DisplayTables.h"

namespace velorix {

int SMeterTenths(double levelDb, const SettingsRecord& settings) {
    double dbm = LevelCalibrationDb(settings) + levelDb;
    if (!(dbm > -1000.0)) dbm = -1000.0;
    if (dbm > 1000.0) dbm = 1000.0;
    return static_cast<int>(std::trunc(dbm * 10.0));
}

std::string SMeterLevelText(int tenthsDbm) {
    char text[32];
    std::snprintf(text, sizeof text, "%6.1f", tenthsDbm / 10.0);
    return text;
}

std::string SUnitText(int tenthsDbm) {
    char text[32];
    if (tenthsDbm > kSMeterS9Dbm * 10) {
        std::snprintf(text, sizeof text, "S9+%d", (tenthsDbm - kSMeterS9Dbm * 10) / 10);
    } else if (tenthsDbm < -1210) {
        std::snprintf(text, sizeof text, "S0");
    } else {
        // 60 tenths per S-unit, S1 from -121.0 dBm.
        std::snprintf(text, sizeof text, "S%d", 1 + (tenthsDbm + 1210) / 60);
    }
    return text;
}

SMeterBar SMeterBarFor(int tenthsDbm, int scaleWidth) {
    SMeterBar bar;
    const int s = scaleWidth;
    if (tenthsDbm <= kSMeterMinDbm * 10 || s <= 0) return bar;
    bar.shown = true;
    if (tenthsDbm <= kSMeterS9Dbm * 10) {
        bar.greenEndX = (tenthsDbm + 10 * 130) * s / 130 / 10 + 10;
        bar.redEndX = bar.greenEndX;
        return bar;
    }
    const int x9 = (-73 + 130) * s * 10 / 130 / 10;
    bar.greenEndX = x9 + 10;
    // Long arithmetic: a level far above 0 dBm must not overflow before the clamp.
    const long long red = static_cast<long long>(tenthsDbm + 10 * 73) * (s - x9) / 73 / 10;
    bar.redEndX = x9 + 10 + static_cast<int>(std::min<long long>(red, s - x9));
    return bar;
}

}  // namespace velorix

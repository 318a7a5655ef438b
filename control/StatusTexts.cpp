#include "StatusTexts.h"

#include <sys/statvfs.h>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace velorix {

namespace {

bool ToUtc(std::int64_t secondsUtc, std::tm& tm) {
    const auto t = static_cast<std::time_t>(secondsUtc);
    return gmtime_r(&t, &tm) != nullptr;
}

}  // namespace

std::string StatusTimeText(std::int64_t secondsUtc) {
    std::tm tm{};
    if (!ToUtc(secondsUtc, tm)) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

std::string StatusDateText(std::int64_t secondsUtc) {
    static constexpr const char* kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    if (!ToUtc(secondsUtc, tm)) return {};
    if (tm.tm_wday < 0 || tm.tm_wday > 6 || tm.tm_mon < 0 || tm.tm_mon > 11) return {};
    char text[48];
    std::snprintf(text, sizeof text, "%s %02d-%s-%04d", kDays[tm.tm_wday], tm.tm_mday,
                  kMonths[tm.tm_mon], tm.tm_year + 1900);
    return text;
}

std::int64_t PlaybackTimeUtc(std::int64_t startTimeUtc, std::uint64_t positionBytes,
                             double rateKHz) {
    if (!(rateKHz > 0.0)) return startTimeUtc;
    const std::uint64_t samples = positionBytes / 6;
    return startTimeUtc +
           static_cast<std::int64_t>(std::trunc(static_cast<double>(samples) / (rateKHz * 1000.0)));
}

double FreeGBytes(std::uint64_t freeBytes) {
    return static_cast<double>(freeBytes >> 20) * 0.001;
}

std::string RecordingFileText(const std::string& fileName, double freeGBytes) {
    char text[64];
    std::snprintf(text, sizeof text, " - %.2f GBytes free ", freeGBytes);
    return fileName + text;
}

std::optional<std::uint64_t> FreeBytesOf(const std::string& directory) {
    struct statvfs fs {};
    if (statvfs(directory.empty() ? "." : directory.c_str(), &fs) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
}

}  // namespace velorix

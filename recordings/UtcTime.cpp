#include "UtcTime.h"

#include <cctype>
#include <ctime>

namespace velorix {

namespace {

bool Leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysIn(int year, int month) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && Leap(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a civil date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// `count` digits at `at` as a number, or -1.
int Digits(std::string_view s, std::size_t at, std::size_t count) {
    if (at + count > s.size()) return -1;
    int v = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

}  // namespace

std::optional<std::int64_t> UtcSeconds(int year, int month, int day, int hour, int minute,
                                       int second) {
    if (month < 1 || month > 12 || day < 1 || day > DaysIn(year, month) || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

std::string IsoUtcText(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    char text[40] = "";
    if (gmtime_r(&t, &utc) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::optional<std::int64_t> ParseIsoUtc(std::string_view s) {
    const int year = Digits(s, 0, 4), month = Digits(s, 5, 2), day = Digits(s, 8, 2);
    const int hour = Digits(s, 11, 2), minute = Digits(s, 14, 2), second = Digits(s, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 || s[4] != '-' ||
        s[7] != '-' || (s[10] != 'T' && s[10] != 't') || s[13] != ':' || s[16] != ':')
        return std::nullopt;
    std::size_t at = 19;
    if (at < s.size() && s[at] == '.') {
        const std::size_t digits = ++at;
        while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])))
            ++at;
        if (at == digits) return std::nullopt;
    }
    int offset = 0;
    if (at + 1 == s.size() && (s[at] == 'Z' || s[at] == 'z')) {
        offset = 0;
    } else if (at + 6 == s.size() && (s[at] == '+' || s[at] == '-') && s[at + 3] == ':') {
        const int oh = Digits(s, at + 1, 2), om = Digits(s, at + 4, 2);
        if (oh < 0 || om < 0 || oh > 23 || om > 59) return std::nullopt;
        offset = (s[at] == '+' ? 1 : -1) * (oh * 3600 + om * 60);
    } else {
        return std::nullopt;
    }
    const auto t = UtcSeconds(year, month, day, hour, minute, second);
    if (!t) return std::nullopt;
    return *t - offset;
}

}  // namespace velorix

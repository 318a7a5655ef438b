#include "WavFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace velorix {

namespace {

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = v & 0xff;
    p[1] = (v >> 8) & 0xff;
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = (v >> (8 * i)) & 0xff;
}
std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

}  // namespace

std::uint32_t WavRateHz(std::uint32_t rateIdx) {
    constexpr std::uint32_t kRates[3] = {125000, 250000, 500000};
    return rateIdx < 3 ? kRates[rateIdx] : 0;
}

WavHeaderImage BuildWavHeader(const WavReceiverInfo& info) {
    WavHeaderImage h{};
    std::uint8_t* p = h.data();
    const std::uint32_t rate = WavRateHz(info.rateIdx);
    std::memcpy(p + 0, "RIFF", 4);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    Put32(p + 16, 16);
    Put16(p + 20, 1);  // PCM
    Put16(p + 22, 2);  // I and Q
    Put32(p + 24, rate);
    Put32(p + 28, rate * kWavFrameBytes);
    Put16(p + 32, kWavFrameBytes);
    Put16(p + 34, 24);
    std::memcpy(p + 36, "rcvr", 4);
    Put32(p + 40, 34);
    Put32(p + 44, info.centerFreqHz);
    Put32(p + 48, info.rateIdx);
    Put32(p + 52, info.startTime);
    Put16(p + 56, info.attenuatorIdx);
    p[58] = static_cast<std::uint8_t>(info.preselector);
    p[59] = static_cast<std::uint8_t>(info.preamp);
    p[60] = static_cast<std::uint8_t>(info.dither);
    std::memcpy(p + 78, "data", 4);
    return h;
}

void SetWavSizes(WavHeaderImage& image, std::uint32_t dataBytes) {
    Put32(image.data() + kWavRiffSizeOffset, dataBytes + kWavRiffOverhead);
    Put32(image.data() + kWavDataSizeOffset, dataBytes);
}

WavHeaderStatus ParseWavHeader(const std::uint8_t* p, std::size_t size, WavHeader& header) {
    if (p == nullptr || size < static_cast<std::size_t>(kWavHeaderBytes))
        return WavHeaderStatus::TooShort;
    if (std::memcmp(p + 36, "rcvr", 4) != 0) return WavHeaderStatus::NotReceiverFormat;
    WavHeader h;
    h.info.centerFreqHz = Get32(p + 44);
    h.info.rateIdx = Get32(p + 48);
    h.info.startTime = Get32(p + 52);
    h.info.attenuatorIdx = Get16(p + 56);
    h.info.preselector = static_cast<std::int8_t>(p[58]);
    h.info.preamp = static_cast<std::int8_t>(p[59]);
    h.info.dither = static_cast<std::int8_t>(p[60]);
    h.sampleRateHz = Get32(p + 24);
    h.dataBytes = Get32(p + kWavDataSizeOffset);
    // The rate index selects from a table: anything else is not our file.
    if (h.info.rateIdx > 2) return WavHeaderStatus::NotReceiverFormat;
    header = h;
    return WavHeaderStatus::Ok;
}

std::uint64_t WavPlayableBytes(std::uint32_t claimedBytes, std::uint64_t fileBytes) {
    const std::uint64_t present = fileBytes > kWavHeaderBytes ? fileBytes - kWavHeaderBytes : 0;
    const std::uint64_t whole = present / kWavFrameBytes * kWavFrameBytes;
    return claimedBytes < whole ? whole : std::min<std::uint64_t>(claimedBytes, whole);
}

WavSeriesName ParseWavSeriesPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string base = path;
    if (const std::size_t dot = base.find_last_of('.');
        dot != std::string::npos && dot >= nameStart)
        base.resize(dot);
    WavSeriesName s;
    if (const std::size_t us = base.find_last_of('_'); us != std::string::npos && us >= nameStart) {
        const std::string digits = base.substr(us + 1);
        // A decimal number as the C library would read it: leading digits only.
        std::size_t n = 0;
        long value = 0;
        while (n < digits.size() && n < 9 && std::isdigit(static_cast<unsigned char>(digits[n])))
            value = value * 10 + (digits[n++] - '0');
        s.number = static_cast<int>(value);
        base.resize(us);
    }
    s.base = base;
    return s;
}

std::string WavSeriesFileName(const std::string& base, int number) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_%03d.wav", number);
    return base + suffix;
}

}  // namespace velorix

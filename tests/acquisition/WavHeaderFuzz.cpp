#include "WavHeaderFuzz.h"

#include <cstdlib>
#include <string>

#include "WavFormat.h"

namespace velorix::test {

void FuzzWavHeader(const std::uint8_t* data, std::size_t size) {
    WavHeader h;
    const WavHeaderStatus st = ParseWavHeader(data, size, h);
    if (st == WavHeaderStatus::Ok) {
        // Whatever the file said, an accepted header indexes the rate table safely.
        if (h.info.rateIdx > 2 || WavRateHz(h.info.rateIdx) == 0) std::abort();
        // Building the same settings again gives the same "rcvr" chunk.
        const WavHeaderImage again = BuildWavHeader(h.info);
        for (int i = 44; i < 61; ++i)
            if (again[i] != data[i]) std::abort();
    } else if (size >= static_cast<std::size_t>(kWavHeaderBytes) &&
               st == WavHeaderStatus::TooShort) {
        std::abort();
    }
    const std::string path(reinterpret_cast<const char*>(data), size);
    const WavSeriesName s = ParseWavSeriesPath(path);
    if (s.number < 0 || s.base.size() > path.size()) std::abort();
}

}  // namespace velorix::test

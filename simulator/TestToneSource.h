#pragma once

#include <vector>

#include "SampleSource.h"

namespace velorix::sim {

// Deterministic test signal (see TestSignal.h): a -6 dBFS tone 10 kHz above
// the centre plus the frame counter. The tone's phase depends only on the
// frame index, so dropped frames leave the remaining ones unchanged.
class TestToneSource : public SampleSource {
public:
    TestToneSource();
    void SetRate(int rateKHz) override;
    void Fill(uint64_t firstFrame, uint8_t* out, size_t frames) override;

private:
    // One period of the tone at the current rate: the tone repeats every
    // rate / gcd(rate, tone) frames (25 at 125 and 250 kHz, 50 at 500 kHz).
    std::vector<int> toneI_, toneQ_;
};

}  // namespace velorix::sim

#pragma once

#include <cstdint>

namespace velorix {

// What the acquisition board needs of a recorder: the stream's rate when
// input starts, and every raw unit of 1024 six-byte frames as it arrives.
// Write runs on the board's worker thread.
class RawSampleRecorder {
public:
    virtual ~RawSampleRecorder() = default;
    virtual void SetRate(double rateKHz) = 0;
    virtual void Write(const std::uint8_t* frames, int frameCount) = 0;
};

}  // namespace velorix

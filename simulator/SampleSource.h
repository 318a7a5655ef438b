#pragma once

#include <cstddef>
#include <cstdint>

namespace velorix::sim {

// Front-end state the receiver's FPGA and relays are set to, as the last
// commands left it. A signal model may shape its samples by it.
struct FrontEndState {
    uint8_t controlByte = 0;  // 0x01 run, 0x02 dither, 0x04 preamp
    uint32_t tuningWord = 0;  // down-converter phase increment, f / f_adc * 2^32
    uint8_t portByte = 10;    // attenuator step (high nibble), preselector filter (low nibble)
};

// What the FPGA delivers on the sample endpoint: 6-byte I/Q frames (I then Q,
// 24-bit two's complement, least significant byte first). Frames are addressed
// by their index in the stream so that the device can skip frames it dropped.
// Called on the host's reading thread with the device lock held: keep it quick.
class SampleSource {
public:
    static constexpr int kFrameBytes = 6;

    virtual ~SampleSource() = default;

    // Output rate in kHz (125, 250 or 500); called when the FPGA is configured.
    virtual void SetRate(int rateKHz) = 0;

    // Called whenever a command changes the front end.
    virtual void SetFrontEnd(const FrontEndState& /*state*/) {}

    // Writes frames firstFrame .. firstFrame + frames - 1 of the stream to `out`.
    virtual void Fill(uint64_t firstFrame, uint8_t* out, size_t frames) = 0;
};

}  // namespace velorix::sim

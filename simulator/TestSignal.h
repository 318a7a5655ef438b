#pragma once

#include <cstdint>

namespace velorix::sim {

// The virtual receiver's test signal: a tone whose I and Q sit in the upper
// 12 bits of each 24-bit value, and a 23-bit frame counter in the lower bits
// so that a reader can prove that no frame was lost or repeated:
//   I: bits 23..12 tone I, bits 11..1 counter bits 22..12, bit 0 a copy of the sign
//      (the FPGA marks ADC overload by bit 0 differing from the sign; the tone never does)
//   Q: bits 23..12 tone Q, bits 11..0 counter bits 11..0
namespace test_signal {

inline constexpr double kToneHz = 10000.0;   // offset from the centre frequency
inline constexpr int kToneAmplitude = 1024;  // of 2047: -6 dBFS
inline constexpr int kCounterBits = 23;
inline constexpr uint32_t kCounterMask = (1u << kCounterBits) - 1;

inline int32_t Read24(const uint8_t* p) {
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    return int32_t(v << 8) >> 8;
}

inline void Write24(uint8_t* p, int32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
}

// Encodes one frame: tone values in -2048..2047, counter taken modulo 2^23.
inline void EncodeFrame(uint8_t* frame, int toneI, int toneQ, uint64_t counter) {
    const uint32_t c = uint32_t(counter) & kCounterMask;
    const int32_t sign = toneI < 0 ? 1 : 0;
    const int32_t i = int32_t(uint32_t(toneI) << 12) | int32_t(((c >> 12) & 0x7FF) << 1) | sign;
    const int32_t q = int32_t(uint32_t(toneQ) << 12) | int32_t(c & 0xFFF);
    Write24(frame, i);
    Write24(frame + 3, q);
}

inline uint32_t DecodeCounter(const uint8_t* frame) {
    const uint32_t i = uint32_t(Read24(frame));
    const uint32_t q = uint32_t(Read24(frame + 3));
    return ((i >> 1) & 0x7FF) << 12 | (q & 0xFFF);
}

inline int DecodeToneI(const uint8_t* frame) {
    return Read24(frame) >> 12;
}
inline int DecodeToneQ(const uint8_t* frame) {
    return Read24(frame + 3) >> 12;
}

// Frames between two counters, modulo the counter's range (1 for consecutive frames).
inline uint32_t CounterStep(uint32_t from, uint32_t to) {
    return (to - from) & kCounterMask;
}

}  // namespace test_signal
}  // namespace velorix::sim

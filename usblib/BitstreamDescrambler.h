#pragma once

#include <array>
#include <cstdint>

namespace velorix::usb {

// Keystream generator for scrambled FPGA bitstream files: a 48-bit shift
// register r[0..5] (r[0] least significant) loaded with the bitstream's 6-byte
// key, with a fixed feedback mask. File byte s becomes s XOR Next().
class BitstreamDescrambler {
public:
    // Feedback taps of the register; fixed for every bitstream we ship.
    static constexpr std::array<uint8_t, 6> kFeedbackMask = {0x2D, 0x81, 0x04, 0x00, 0x20, 0x00};

    void Load(const uint8_t* key) {
        for (int i = 0; i < 6; ++i)
            r_[size_t(i)] = key[i];
    }

    // Next keystream byte: r[0], then eight clocks of the register.
    uint8_t Next() {
        const uint8_t out = r_[0];
        for (int k = 0; k < 8; ++k)
            Clock();
        return out;
    }

private:
    // Shifts the 48-bit value left by one; a bit leaving r[5] feeds the mask back.
    void Clock() {
        const bool carry = r_[5] & 0x80;
        for (int i = 5; i > 0; --i)
            r_[size_t(i)] = uint8_t(r_[size_t(i)] << 1 | r_[size_t(i - 1)] >> 7);
        r_[0] = uint8_t(r_[0] << 1);
        if (carry)
            for (size_t i = 0; i < 6; ++i)
                r_[i] ^= kFeedbackMask[i];
    }

    std::array<uint8_t, 6> r_{};
};

}  // namespace velorix::usb

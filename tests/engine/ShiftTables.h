#pragma once

#include <cmath>
#include <vector>

#include "ToneMeasure.h"

namespace velorix::test {

// The 65536-entry sine and cosine tables of the table shifter.
struct ShiftTables {
    static constexpr int kSize = 65536;
    ShiftTables() : cosTable(kSize), sinTable(kSize) {
        for (int k = 0; k < kSize; ++k) {
            cosTable[k] = std::cos(k * kTwoPi / kSize);
            sinTable[k] = std::sin(k * kTwoPi / kSize);
        }
    }
    std::vector<double> cosTable;
    std::vector<double> sinTable;
};

}  // namespace velorix::test

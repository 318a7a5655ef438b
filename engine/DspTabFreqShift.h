#pragma once

#include "DspFreqShift.h"

namespace velorix {

// Frequency shifter that reads the phasor from sine and cosine tables of N
// entries (sin and cos of k·2π/N) with a first-order correction for the
// residual angle, instead of calling the trigonometric functions. With
// N = 65536 the phasor error stays below about 4.6e-9.
class CDspTabFreqShift : public CDspFreqShift {
public:
    // The tables hold tableSize ≥ 1 entries each and must outlive the block
    // (the engine owns them). Throws std::invalid_argument for null tables
    // or a size below 1.
    CDspTabFreqShift(int capacity, const double* cosTable, const double* sinTable, int tableSize,
                     int realOutput);

    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspTabFreqShift"; }

private:
    int tableSize_;
    const double* sinTable_;
    const double* cosTable_;
};

}  // namespace velorix

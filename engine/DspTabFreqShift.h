#pragma once

#include "DspFreqShift.h"
#include "ShiftKernels.h"

namespace velorix {

// Frequency shifter for the full-rate stream. The phasor advances by a
// complex recurrence over vector lanes, reseeded from sin and cos of φ every
// kReseedSamples samples, so its error stays below 1e-12 (the table
// interpolation this replaces was good to 4.6e-9) at a fraction of the cost
// of a table read per sample. φ itself advances once per run of samples by
// n·ω reduced exactly, so it follows the per-sample sum φ + ω + ω + … over
// any length of stream.
//
// The sine and cosine tables (N entries of sin and cos of k·2π/N) are still
// taken and checked, as the engine hands them to both shifters; the phasor no
// longer reads them.
class CDspTabFreqShift : public CDspFreqShift {
public:
    // Samples rotated between two reseeds of the phasor from sin and cos.
    static constexpr int kReseedSamples = 1024;

    // The tables hold tableSize ≥ 1 entries each and must outlive the block
    // (the engine owns them). Throws std::invalid_argument for null tables
    // or a size below 1.
    CDspTabFreqShift(int capacity, const double* cosTable, const double* sinTable, int tableSize,
                     int realOutput);

    // With ω = 0 (φ = 0) the input is passed on unchanged (complex output)
    // or as its real part in both halves (real output).
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspTabFreqShift"; }

private:
    // The lane offsets e^{jkω} and the step e^{j·lanes·ω} for ω.
    void PrepareSteps(double omega);

    double stepsOmega_ = 0.0;  // the ω that steps_ was prepared for
    RotatePhasors steps_{};
};

}  // namespace velorix

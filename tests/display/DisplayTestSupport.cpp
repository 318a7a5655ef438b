#include "DisplayTestSupport.h"

#include <cstdint>

namespace velorix::test {

void FeedTone(SpectrumRenderer& r, int toneBin, double amp) {
    // The block that brings a new FFT size is dropped: then one more.
    const std::uint64_t before = r.Spectra();
    for (int blocks = 0; blocks < 2 && r.Spectra() == before; ++blocks) {
        const int n = r.FftSize();
        auto* x = reinterpret_cast<std::complex<double>*>(r.Buffer().WritePos());
        for (int i = 0; i < n; ++i)
            x[i] = amp * std::polar(1.0, 2.0 * M_PI * toneBin * i / n) + 1e-7;
        r.Buffer().AdvanceWrite(n);
        r.BufferFull();
    }
}

}  // namespace velorix::test

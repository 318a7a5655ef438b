#pragma once

#include <QImage>
#include <cmath>
#include <complex>

#include "SpectrumRenderer.h"

namespace velorix::test {

// The colour at (x, y) as (r, g, b).
struct Pixel {
    int r, g, b;
    bool operator==(const Pixel&) const = default;
};
inline Pixel At(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return {qRed(c), qGreen(c), qBlue(c)};
}

// Hands one block to the renderer that it computes (after the one a new FFT
// size drops): a complex tone at bin `toneBin` of N (relative to the band
// centre) of amplitude `amp`, plus a constant floor.
void FeedTone(SpectrumRenderer& r, int toneBin, double amp);

}  // namespace velorix::test

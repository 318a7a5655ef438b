#include "MarkerList.h"

#include <cstdio>

#include "DisplayGeometry.h"

namespace velorix {

bool MarkerList::Add(int x) {
    if (count_ == kMaxMarkers) return false;
    markers_[static_cast<std::size_t>(count_++)] = Marker{x};
    return true;
}

void MarkerList::Measure(const DisplayGeometry& geometry, const double* levelsDb,
                         const int* traceRows, double levelOffsetDb) {
    bool haveReference = false;
    double refKHz = 0.0;
    double refDb = 0.0;
    for (int i = 0; i < count_; ++i) {
        Marker& m = markers_[static_cast<std::size_t>(i)];
        const int bin = geometry.PixelToBin(m.x);
        if (bin < 0 || bin >= geometry.Bins()) {
            m.measured = false;
            continue;
        }
        const double kHz = geometry.BinToKHz(bin);
        const double levelDb = levelsDb[bin] + levelOffsetDb;
        m.measured = true;
        m.y = traceRows[bin];
        m.relative = delta_ && i > 0 && haveReference;
        m.kHz = m.relative ? kHz - refKHz : kHz;
        m.levelDb = m.relative ? levelDb - refDb : levelDb;
        if (delta_ && i == 0) {
            haveReference = true;
            refKHz = kHz;
            refDb = levelDb;
        }
        const int n = i + 1;
        if (m.relative) {
            std::snprintf(m.frequencyLine, sizeof m.frequencyLine, "Mkr%d-1: %-10.3fkHz", n, m.kHz);
            std::snprintf(m.levelLine, sizeof m.levelLine, "        %-10.1fdB", m.levelDb);
        } else {
            std::snprintf(m.frequencyLine, sizeof m.frequencyLine, "Mkr%d  : %-10.3fkHz", n, m.kHz);
            std::snprintf(m.levelLine, sizeof m.levelLine, "        %-10.1fdBm", m.levelDb);
        }
    }
}

}  // namespace velorix

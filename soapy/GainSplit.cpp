#include "GainSplit.h"

#include <cmath>
#include <initializer_list>

namespace velorix::soapy {

GainSplit SplitGain(double gainDb) {
    GainSplit best;
    double bestError = INFINITY;
    for (bool preamp : {false, true}) {
        for (int step = 0; step <= kAttenuatorSteps; ++step) {
            const GainSplit candidate{step, preamp};
            const double error = std::fabs(candidate.GainDb() - gainDb);
            if (error < bestError - 1e-9) {
                best = candidate;
                bestError = error;
            }
        }
    }
    return best;
}

}  // namespace velorix::soapy

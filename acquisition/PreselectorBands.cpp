#include "PreselectorBands.h"

namespace velorix {

int PreselectorBandFor(std::int64_t centreHz, bool preselectorOn) {
    if (!preselectorOn) return 10;
    // Upper edge (inclusive, Hz) of filters 0..9.
    static constexpr std::int64_t kUpperHz[10] = {1699999, 2099999,  2999999,  4199999,  5999999,
                                                  8399999, 11999999, 16999999, 23999999, 31999999};
    for (int band = 0; band < 10; ++band)
        if (centreHz <= kUpperHz[band]) return band;
    return 10;
}

}  // namespace velorix

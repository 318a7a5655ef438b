#include "DspDummy.h"

#include <cstring>

namespace velorix {

void CDspDummy::Process(void* dst, const void* src, int count) {
    std::memcpy(dst, src, static_cast<size_t>(count) * sizeof(Cpx));
}

}  // namespace velorix

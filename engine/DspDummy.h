#pragma once

#include "DspBlock.h"

namespace velorix {

// Passes complex samples through unchanged.
class CDspDummy : public CDspBlock {
public:
    explicit CDspDummy(int capacity) : CDspBlock(kDspTypeComplex, capacity, 0) {}

    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspDummy"; }
};

}  // namespace velorix

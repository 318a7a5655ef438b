#pragma once

#include "DspBlock.h"

namespace velorix {

// Takes every full buffer of complex samples and drops it: a display's place
// in a front end that shows nothing there.
class DiscardingConsumer : public CDspConsumer {
public:
    explicit DiscardingConsumer(int capacity) : CDspConsumer(kDspTypeComplex, capacity, 0) {}
    void BufferFull() override { buffer->Commit(); }
    std::string& GetName(std::string& name) override { return name = "CDiscard"; }
};

}  // namespace velorix

#pragma once

#include <forward_list>

#include "DspBlock.h"

namespace velorix {

// Fans one stream out to several consumers. Created by CDspBlock::Connect
// when a second consumer is attached and owned by that producer. The
// consumer connected last is served first.
class CDspCopy : public CDspBlock {
public:
    CDspCopy(int type, int capacity) : CDspBlock(type, capacity, 0) {}

    void Connect(CDspConsumer* consumer) override;
    int GetOutputType() override { return buffer->Type(); }
    void Process(void* dst, const void* src, int count) override;

    // Hands the rate to every consumer; the own buffer is kept.
    void Restart() override;
    void BufferFull() override;
    bool ConsumeBlock(CDspBuffer& src) override;
    int IsSplitter() override { return 1; }
    std::string& GetName(std::string& name) override { return name = "CDspCopy"; }

    // Consumers in serving order.
    const std::forward_list<CDspConsumer*>& Consumers() const { return consumers_; }

private:
    // Serves every ready consumer from `src`.
    void FanOut(CDspBuffer& src);

    std::forward_list<CDspConsumer*> consumers_;
};

}  // namespace velorix

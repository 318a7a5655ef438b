#pragma once

#include <vector>

#include "DspBlock.h"
#include "TestBlocks.h"
#include "ToneMeasure.h"

namespace velorix::test {

// Streams `in` through `block` (a one-in, one-out filter) from a TestSource
// into a TestSink and returns what reached the sink.
inline std::vector<Cpx> RunThrough(CDspBlock& block, const std::vector<Cpx>& in,
                                   int sourceCapacity = 100, int sinkCapacity = 64) {
    TestSource src(sourceCapacity);
    TestSink sink(sinkCapacity);
    src.Connect(&block);
    block.Connect(&sink);
    src.Push(in);
    block.downstream = nullptr;  // the sink goes away with this scope
    return sink.received;
}

// Steady-state complex gain of `block` for a tone at freq cycles per sample:
// output component at that frequency over input amplitude, after `settle`
// samples. A fresh block per call keeps the measurements independent.
template <typename MakeBlock>
Cpx ToneGain(MakeBlock make, double freq, size_t settle = 256, size_t count = 4000) {
    auto block = make();
    const auto out = RunThrough(*block, ComplexTone(settle + count + 200, freq));
    return DftAt(out, freq, settle, count) /
           std::polar(1.0, kTwoPi * freq * static_cast<double>(settle));
}

}  // namespace velorix::test

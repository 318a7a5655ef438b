#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "DspNoiseBlanker.h"
#include "DspSwitch.h"
#include "RecordingNotifier.h"
#include "TestBlocks.h"
#include "ToneMeasure.h"

namespace velorix {
namespace {

using test::PassingSource;
using test::TestSink;
using test::TestSource;

// Doubles its input and notes the lowest input address it read from.
class Doubler : public CDspBlock {
public:
    Doubler(int capacity, bool inPlace, int history = 0)
        : CDspBlock(kDspTypeComplex, capacity, history) {
        consumesInPlace_ = inPlace;
    }
    void Process(void* dst, const void* src, int count) override {
        const Cpx* x = static_cast<const Cpx*>(src);
        if (lowestRead == nullptr || x < lowestRead) lowestRead = x;
        for (int i = 0; i < count; ++i)
            static_cast<Cpx*>(dst)[i] = 2.0 * x[i];
    }
    std::string& GetName(std::string& name) override { return name = "Doubler"; }
    const Cpx* lowestRead = nullptr;
};

// head → blanker → splitter → {doubler → sink, plain sink}, as the engine's
// front: with `inPlace` the head and the doubler hand blocks over uncopied.
struct Front {
    explicit Front(bool inPlace)
        : head(inPlace ? std::make_unique<PassingSource>(1024)
                       : std::make_unique<TestSource>(1024)),
          doubler(1024, inPlace),
          doubled(1024),
          plain(1024) {
        head->Connect(&blanker);
        blanker.Connect(&plain);
        blanker.Connect(&doubler);
        doubler.Connect(&doubled);
        head->SetRate(500.0);
    }
    std::unique_ptr<TestSource> head;
    CDspNoiseBlanker blanker;
    Doubler doubler;
    TestSink doubled, plain;
};

// A carrier with impulses 20 dB above it, which the blanker removes.
std::vector<Cpx> CarrierWithImpulses() {
    auto in = test::ComplexTone(65536, 0.01234);
    for (size_t i = 20000; i < in.size(); i += 3001)
        in[i] *= 10.0;
    return in;
}

// Same samples as the copying chain, with the blanker off (the doubler then
// reads the head's own block) and on (it reads what the blanker wrote).
TEST(InPlaceHandOff, GivesTheSameSamplesAsCopyingWithTheBlankerOffAndOn) {
    const auto in = CarrierWithImpulses();
    for (int enabled : {0, 1}) {
        Front copying(false), inPlace(true);
        copying.blanker.SetEnabled(enabled);
        inPlace.blanker.SetEnabled(enabled);
        copying.head->Push(in);
        inPlace.head->Push(in);
        const size_t bytes = in.size() * sizeof(Cpx);
        ASSERT_EQ(inPlace.doubled.received.size(), in.size()) << enabled;
        ASSERT_EQ(inPlace.plain.received.size(), in.size()) << enabled;
        EXPECT_EQ(memcmp(inPlace.doubled.received.data(), copying.doubled.received.data(), bytes),
                  0);
        EXPECT_EQ(memcmp(inPlace.plain.received.data(), copying.plain.received.data(), bytes), 0);
        EXPECT_EQ(inPlace.plain.received[23001] == Cpx(), enabled == 1);  // an impulse
        EXPECT_EQ(inPlace.doubler.lowestRead == inPlace.head->Buffer().MainAs<Cpx>(), enabled == 0);
    }
}

// A block whose filter history sits in front of its own buffer copies.
TEST(InPlaceHandOff, ABlockWithHistoryGetsACopy) {
    PassingSource head(256);
    Doubler filter(512, true, 7);
    TestSink sink(1024);
    head.Connect(&filter);
    filter.Connect(&sink);
    head.PushRamp(4);
    ASSERT_EQ(sink.received.size(), 1024u);
    // Each output reads from the base, 7 samples of history before its input.
    EXPECT_EQ(sink.received[700], Cpx(1386.0, -1386.0));
    EXPECT_EQ(filter.lowestRead, filter.Buffer().BaseAs<Cpx>());
}

TEST(InPlaceHandOff, ASwitchPassesBlocksToItsOutputAndToldOfNoOutputOnce) {
    test::RecordingNotifier notices;
    PassingSource head(256);
    CDspSwitch sw(kDspTypeComplex, 2, &notices);
    Doubler doubler(256, true);
    TestSink sink(512);
    head.Connect(&sw);
    sw.SetOutput(1, &doubler);
    doubler.Connect(&sink);
    head.PushRamp(3);
    EXPECT_EQ(sink.fullCalls, 0);
    ASSERT_EQ(notices.Notices().size(), 1u);
    EXPECT_EQ(notices.Notices()[0].caption, "Null Consumer");
    sw.Select(1);
    head.PushRamp(2, 10.0);
    ASSERT_EQ(sink.received.size(), 512u);
    EXPECT_EQ(sink.received[300], Cpx(620.0, -620.0));
    EXPECT_EQ(doubler.lowestRead, head.Buffer().MainAs<Cpx>());
}

}  // namespace
}  // namespace velorix

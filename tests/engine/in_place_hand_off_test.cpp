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

using test::TestSink;
using test::TestSource;

// A head whose blocks leave it unchanged, as the acquisition board's.
class PassingSource : public TestSource {
public:
    using TestSource::TestSource;
    bool PassesThrough() override { return true; }
};

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

TEST(InPlaceHandOff, GivesTheSameSamplesAsCopyingWithTheBlankerOffAndOn) {
    const auto in = CarrierWithImpulses();
    for (int enabled : {0, 1}) {
        Front copying(false), inPlace(true);
        copying.blanker.SetEnabled(enabled);
        inPlace.blanker.SetEnabled(enabled);
        copying.head->Push(in);
        inPlace.head->Push(in);
        ASSERT_EQ(inPlace.doubled.received.size(), in.size()) << enabled;
        ASSERT_EQ(inPlace.plain.received.size(), in.size()) << enabled;
        EXPECT_EQ(std::memcmp(inPlace.doubled.received.data(), copying.doubled.received.data(),
                              in.size() * sizeof(Cpx)),
                  0)
            << enabled;
        EXPECT_EQ(std::memcmp(inPlace.plain.received.data(), copying.plain.received.data(),
                              in.size() * sizeof(Cpx)),
                  0)
            << enabled;
        // Blanking took place at all when on: samples of the impulses are 0.
        EXPECT_EQ(inPlace.plain.received[23001] == Cpx(), enabled == 1);
    }
}

TEST(InPlaceHandOff, ReadsTheHeadsBufferWhenNothingChangesTheSamplesOnTheWay) {
    Front f(true);
    f.head->PushRamp(4);
    // The blanker is off, so the doubler read the head's block where it was.
    const Cpx* headStart = f.head->Buffer().MainAs<Cpx>();
    EXPECT_EQ(f.doubler.lowestRead, headStart);
    EXPECT_EQ(f.doubled.received[1025], Cpx(2050.0, -2050.0));
    EXPECT_EQ(f.doubler.Buffer().Fill(), 0);
    // Switched on, the blanker writes into the splitter's buffer, and the
    // doubler reads that instead.
    f.blanker.SetEnabled(1);
    f.doubler.lowestRead = nullptr;
    f.head->PushRamp(1);
    EXPECT_NE(f.doubler.lowestRead, headStart);
    EXPECT_EQ(f.doubled.received.size(), 5u * 1024);
}

TEST(InPlaceHandOff, ABusyConsumerDropsTheBlockAndABlockWithHistoryGetsACopy) {
    PassingSource head(256);
    Doubler doubler(256, true);
    TestSink busy(256);
    head.Connect(&doubler);
    doubler.Connect(&busy);
    busy.ready = 0;
    head.PushRamp(4);
    EXPECT_EQ(busy.fullCalls, 0);
    EXPECT_EQ(busy.Buffer().Fill(), 0);

    // A filter's history sits in front of its own buffer: it copies.
    PassingSource head2(256);
    Doubler filter(512, true, 7);
    TestSink sink(1024);
    head2.Connect(&filter);
    filter.Connect(&sink);
    head2.PushRamp(4);
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

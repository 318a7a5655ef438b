#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "DspThread.h"
#include "TestBlocks.h"
#include "WaitUntil.h"

namespace velorix {
namespace {

using test::PassingSource;
using test::TestSink;
using test::TestSource;

void WaitReady(CDspThread& t) {
    test::WaitUntil([&] { return t.IsReady(); });
}

// Blocks the skip limit drops are counted without being copied into the
// display's buffer; the ones handed over hold exactly their samples, also
// when the head's blocks straddle the display's.
TEST(DisplaySkip, DroppedBlocksAreCountedUncopiedAndShownOnesAreWhole) {
    struct Case {
        int headBlock;
        int displayBlock;
        int limit;
    };
    for (const Case c : {Case{256, 1024, 2}, Case{768, 1024, 2}, Case{1024, 1024, 3}}) {
        PassingSource head(c.headBlock);
        CDspThread thread(kDspTypeComplex, 8192);
        TestSink display(c.displayBlock);
        head.Connect(&thread);
        thread.Connect(&display);
        thread.SetSkipLimit(c.limit);
        Cpx* memory = display.Buffer().MainAs<Cpx>();
        std::fill_n(memory, c.displayBlock, Cpx(NAN, NAN));

        const int displayBlocks = 12;
        const int headBlocks = displayBlocks * c.displayBlock / c.headBlock;
        for (int b = 0; b < headBlocks; ++b) {
            head.PushRamp(1, static_cast<double>(b) * c.headBlock);
            WaitReady(thread);
            // Until the first display block is due, nothing was written.
            if (c.limit > 0 && (b + 1) * c.headBlock <= c.limit * c.displayBlock) {
                ASSERT_TRUE(std::isnan(memory[c.displayBlock - 1].real())) << b;
            }
        }
        const int shown = displayBlocks / (c.limit + 1);
        ASSERT_EQ(display.fullCalls, shown) << c.headBlock << " " << c.limit;
        ASSERT_EQ(display.received.size(), static_cast<size_t>(shown * c.displayBlock));
        for (int k = 0; k < shown; ++k) {
            const int block = k * (c.limit + 1) + c.limit;
            for (int i = 0; i < c.displayBlock; ++i)
                ASSERT_EQ(display.received[k * c.displayBlock + i].real(),
                          static_cast<double>(block * c.displayBlock + i))
                    << c.headBlock << " " << c.limit << " " << k << " " << i;
        }
    }
}

}  // namespace
}  // namespace velorix

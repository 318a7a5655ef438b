#pragma once

#include <chrono>
#include <thread>

namespace velorix::test {

// Waits until `done()` holds, looking every millisecond. There is no time
// limit: on a loaded machine a thread may be kept off the processor for
// seconds, and a test that never sees its condition is ended by ctest's
// time-out instead of failing early on a margin.
template <typename P>
void WaitUntil(P&& done) {
    while (!done())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace velorix::test

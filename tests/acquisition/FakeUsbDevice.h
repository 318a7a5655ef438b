#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "UsbLibrary.h"

namespace velorix::test {

// A scripted stand-in for the receiver library's exports, for unit tests of
// the program side. Sample frames carry a running counter: I = n, Q = -n.
struct FakeUsbDevice {
    // Script.
    int openFailures = 0;  // Open answers 0 this many times, then 1
    int firmwareResult = 0;
    int fpgaResult = 0;
    int startResult = 1;
    bool streamOnStart = false;  // StartAsyncInput starts a feeding thread
    int blocksToStream = 0;      // 0: until stopped
    std::uint8_t identity[12] = {};

    // Record.
    int openCalls = 0;
    int closeCalls = 0;
    std::vector<std::vector<std::uint8_t>> sioFrames;
    std::vector<int> attenuatorSteps;
    std::vector<int> preselectorFilters;
    std::vector<std::string> firmwarePaths;  // "" for the built-in image
    std::vector<std::string> fpgaNames;
    std::vector<std::vector<std::uint8_t>> fpgaKeys;
    int startBlockBytes = 0;
    UsbInputCallback callback = nullptr;
    void* user = nullptr;
    std::atomic<int> stopCalls{0};
    std::atomic<std::uint64_t> nextFrame{0};
    std::mutex mutex;

    // Feeding thread.
    std::atomic<int> feeding{0};
    std::thread feeder;

    // Fills `bytes` (a multiple of 6) with the next frames of the counter.
    void NextBlock(std::uint8_t* out, int bytes);

    static FakeUsbDevice& Get();
    // A fresh script and record (stops a running feeder).
    static void Reset();
    // The export table; `without` names one export to leave out.
    static UsbExports Exports(const std::string& without = "");
};

// The 24-bit counter value n as stored in a frame half (little-endian, wraps).
std::int32_t CounterOf(double sample);

}  // namespace velorix::test

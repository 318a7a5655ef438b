#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace velorix::sim {

// How the virtual receiver is set up: its identity record, name overrides,
// injected faults, its band, and the test hooks. FromEnvironment reads the
// VELORIX_VIRTUAL_* and VELORIX_SIM_* variables; a value that cannot be parsed is reported on
// stderr and ignored.
struct VirtualConfig {
    // EEPROM identity record at address 8.
    uint16_t serial = 1234;
    uint8_t hwMajor = 1;  // 0xFF with hwMinor 0xFF marks a pre-production unit
    uint8_t hwMinor = 1;
    std::array<uint8_t, 6> unitId = {0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB};  // byte 6 first

    // Replace the running firmware's string descriptors (no length limit, for
    // testing the host's name buffers).
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;

    // Faults.
    bool noReenumerate = false;    // a valid firmware drops off the bus and never re-appears
    bool fpgaNeverDone = false;    // end of configuration always answers "not configured"
    bool stallReads = false;       // every sample read times out
    int shortReadEvery = 0;        // every n-th sample read ends short (0: never)
    bool noNotifications = false;  // the host's arrival/removal registration fails
    // The sample endpoint halts once the stream has run this long (seconds; negative:
    // never). The read that meets the halt ends with a stall after half its bytes, which
    // are lost; later reads stall at once until the host clears the halt, which the
    // endpoint refuses for `sampleStallForSeconds` (0: the first clear recovers it).
    double sampleStallAtSeconds = -1.0;
    double sampleStallForSeconds = 0.0;
    int stallCommand = -1;  // command frames starting with this byte are refused (-1: none)

    // The band: a scenario file (VELORIX_SIM_SCENARIO; empty: the built-in band),
    // the seed of its noise and programmes (VELORIX_SIM_SEED), or the test tone
    // with its frame counter instead (VELORIX_SIM_SOURCE=testtone; "band" is the default), or
    // a recording in the program's own format played in a loop (VELORIX_SIM_SOURCE=wav:FILE).
    std::string scenarioFile;
    uint64_t seed = 1;
    bool testTone = false;
    std::string recording;

    std::string plugFile;   // when set, the receiver is plugged in while this file exists
    std::string traceFile;  // when set, every control transfer and command frame is logged here

    static VirtualConfig FromEnvironment();

    // Applies one "fault[,fault...]" list: no-reenumerate, fpga-never-done, stall-reads,
    // short-reads=N, no-notifications, stall-samples=AT[:FOR] (seconds), stall-command=BYTE.
    // False and `error` set on the first unknown or malformed entry.
    bool ApplyFaults(const std::string& list, std::string& error);
};

}  // namespace velorix::sim

#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "SampleFifo.h"
#include "SampleSource.h"
#include "VirtualConfig.h"
#include "VirtualFirmware.h"

namespace velorix::sim {

// Result of a transfer as the device's side of the bus sees it.
enum class VirtualResult { Ok, Timeout, NoDevice, Stall, Aborted };

// A software model of the receiver's USB side.
//
// Microcontroller: 16 KB of program memory written by vendor request 0xA0, and
// the CPU-control register 0xE600 (1 holds the CPU in reset, 0 lets it run).
// Released with a valid image, the device drops off the bus and re-appears
// 300 ms later with the firmware's identity; with an invalid image it never
// re-appears. FPGA: configured from frames 0x01 (begin), 0x00 (data), 0x02
// (end, answered on 0x81). Commands 0x03 (control byte and tuning word),
// 0x04 (port byte), 0x06/0x07 (EEPROM), 0x08 (shutdown). Samples on 0x82 at
// the configured rate, paced by the clock, with a FIFO of about one second.
//
// Every connection carries the bus generation it was opened at; a transfer on
// an older generation fails with NoDevice, as it would on a handle whose
// device has left. Thread-safe: any number of threads may transfer at once.
class VirtualReceiver {
public:
    using Clock = std::chrono::steady_clock;
    enum class BusEvent { Arrival, Removal };

    static constexpr auto kReenumerateDelay = std::chrono::milliseconds(300);
    static constexpr int kMaxPacket = 64;  // command endpoints' packet size
    static constexpr int kEepromBytes = 256;

    // `source` null: the default signal (CreateDefaultSampleSource). When that is
    // refused (a malformed scenario file), the device never attaches to the bus.
    explicit VirtualReceiver(VirtualConfig config = {},
                             std::unique_ptr<SampleSource> source = nullptr);
    ~VirtualReceiver();
    VirtualReceiver(const VirtualReceiver&) = delete;
    VirtualReceiver& operator=(const VirtualReceiver&) = delete;

    // ---- bus ----
    bool Attached() const;
    bool Refused() const { return refused_; }
    uint32_t Generation() const;  // changes at every attach
    UsbIdentity Identity() const;
    bool FirmwareRunning() const;
    void Plug();    // attaches with the bare microcontroller (no firmware)
    void Unplug();  // detaches; pending transfers end with NoDevice

    // Performs what is due by `now` (re-enumeration) and returns the bus events
    // since the last call, oldest first.
    std::vector<BusEvent> Poll(Clock::time_point now);
    // When Poll next has something to do, or nothing.
    std::optional<Clock::time_point> NextDeadline() const;

    // Records that a host opened the device (for the trace).
    void NoteOpen(uint32_t generation);

    // ---- transfers; `cancel` (may be null) ends a pending read with Aborted ----
    VirtualResult Control(uint32_t generation, uint8_t requestType, uint8_t request, uint16_t value,
                          uint16_t index, const uint8_t* data, uint16_t length);
    VirtualResult BulkWrite(uint32_t generation, uint8_t endpoint, const uint8_t* data, int length,
                            int* transferred);
    VirtualResult BulkRead(uint32_t generation, uint8_t endpoint, uint8_t* data, int length,
                           std::chrono::milliseconds timeout, int* transferred,
                           const std::atomic<bool>* cancel = nullptr);
    // Ends reads pending on `endpoint` with Aborted.
    void Abort(uint32_t generation, uint8_t endpoint);
    // Wakes pending reads so that they look at their cancel flags again.
    void WakeReaders();

    // ---- inspection, for tests ----
    uint8_t PortByte() const;
    uint8_t ControlByte() const;
    uint32_t TuningWord() const;
    int ConfiguredRateKHz() const;  // 0 while the FPGA is not configured
    uint64_t DroppedFrames() const;
    std::array<uint8_t, kEepromBytes> Eeprom() const;

private:
    using Lock = std::unique_lock<std::mutex>;

    bool Current(uint32_t generation) const { return attached_ && generation == generation_; }
    void Attach(const UsbIdentity& identity, bool firmware);
    void Detach();
    void WriteCpuControl(uint8_t value);
    void HandleCommand(const uint8_t* frame, int length);
    void EndConfiguration();
    void SetControl(const uint8_t* payload, int n);
    void Reply(std::vector<uint8_t> reply);
    void UpdateFifo(Clock::time_point now);
    uint64_t FramesDue(Clock::time_point now) const;
    Clock::time_point TimeOfFrame(uint64_t frame) const;
    VirtualResult ReadSamples(Lock& lock, uint8_t* data, int length, Clock::time_point deadline,
                              int* transferred, const std::atomic<bool>* cancel);
    void CopyFrames(uint8_t* out, uint64_t frames);
    void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void TraceBytes(const char* what, const uint8_t* data, int length);
    void NotifySource();

    VirtualConfig config_;
    std::unique_ptr<SampleSource> source_;
    bool refused_ = false;  // no usable band: never on the bus

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // new reply, new samples' deadline moved, abort, detach

    // Bus.
    bool attached_ = false;
    uint32_t generation_ = 0;
    UsbIdentity identity_;
    std::deque<BusEvent> events_;
    std::optional<Clock::time_point> attachAt_;  // pending re-enumeration
    UsbIdentity attachIdentity_;

    // Microcontroller.
    std::vector<uint8_t> programMemory_;
    bool cpuInReset_ = true;
    bool firmwareRunning_ = false;

    // FPGA and front end.
    bool configuring_ = false;
    std::vector<uint8_t> configuration_;
    int rateKHz_ = 0;
    FrontEndState frontEnd_;
    std::array<uint8_t, kEepromBytes> eeprom_{};

    // Replies waiting on 0x81.
    std::deque<std::vector<uint8_t>> replies_;

    // Sample stream.
    SampleFifo fifo_;
    Clock::time_point runStart_{};
    std::vector<uint8_t> carry_;  // bytes of a frame split by the previous read
    std::vector<uint8_t> scratch_;
    uint64_t sampleReads_ = 0;
    uint64_t abortSeq_[2] = {0, 0};  // per IN endpoint: 0x81, 0x82

    FILE* trace_ = nullptr;
};

}  // namespace velorix::sim

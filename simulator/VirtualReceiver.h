#pragma once

#include <array>
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

    // ---- transfers that complete at once ----
    VirtualResult Control(uint32_t generation, uint8_t requestType, uint8_t request, uint16_t value,
                          uint16_t index, const uint8_t* data, uint16_t length);
    VirtualResult BulkWrite(uint32_t generation, uint8_t endpoint, const uint8_t* data, int length,
                            int* transferred);
    // Clears a halted endpoint; NoDevice once the device has left, Stall while
    // the sample endpoint's fault refuses the clear.
    VirtualResult ClearHalt(uint32_t generation, uint8_t endpoint);

    // ---- reads on 0x81 and 0x82, never waiting ----
    // A read is submitted, completes when the device has its bytes (a reply,
    // enough samples), fails, or is cancelled, and is then reaped once. Reads
    // on one endpoint complete in the order they were submitted.
    using TransferId = uint64_t;
    struct Completion {
        VirtualResult result = VirtualResult::Ok;
        int transferred = 0;
    };
    // Queues a read of `length` bytes into `data`, which must stay valid until
    // the read has been reaped. A read the device refuses completes at once.
    TransferId SubmitRead(uint32_t generation, uint8_t endpoint, uint8_t* data, int length);
    // The read's outcome when it has completed by `now` (it is then forgotten);
    // nothing while it is pending. An unknown id reaps as NoDevice.
    std::optional<Completion> Reap(TransferId id, Clock::time_point now);
    // When the next read still pending at `now` completes by the clock alone;
    // nothing when none will without a reply, a cancel or a detach. (What has
    // completed by `now` is found by Reap.)
    std::optional<Clock::time_point> NextCompletion(Clock::time_point now);
    // Ends a pending read with Aborted; nothing once it has completed.
    void Cancel(TransferId id);
    // Ends the reads pending on `endpoint` with Aborted.
    void Abort(uint32_t generation, uint8_t endpoint);

    // Counts what may complete a read apart from the clock (a reply, a cancel,
    // a detach, the stream starting, WakeReaders), for a host that blocks
    // between reaps: it takes Changes() before reaping, then waits with it.
    uint64_t Changes() const;
    void WaitForChange(uint64_t seen, Clock::time_point until) const;
    void WakeReaders();

    // ---- inspection, for tests ----
    uint8_t PortByte() const;
    uint8_t ControlByte() const;
    uint32_t TuningWord() const;
    int ConfiguredRateKHz() const;  // 0 while the FPGA is not configured
    uint64_t DroppedFrames() const;
    std::array<uint8_t, kEepromBytes> Eeprom() const;

private:
    struct PendingRead {
        TransferId id = 0;
        uint32_t generation = 0;
        uint8_t endpoint = 0;
        uint8_t* data = nullptr;
        int length = 0;
        bool done = false;
        Completion completion;
    };

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
    bool Streaming() const { return rateKHz_ > 0 && (frontEnd_.controlByte & 1); }
    // Completes what the device can complete by `now`, oldest first.
    void Advance(Clock::time_point now);
    // A sample read's outcome once enough frames are held; false while they are not.
    bool CompleteSampleRead(PendingRead& read, Clock::time_point now);
    // Bytes a sample read gets: its length, or half of it for the short-read fault.
    int SampleReadBytes(int length);
    void TakeBytes(uint8_t* out, int bytes);
    void CopyFrames(uint8_t* out, uint64_t frames);
    void Finish(PendingRead& read, VirtualResult result, int transferred = 0);
    void Changed();
    void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void TraceBytes(const char* what, const uint8_t* data, int length);
    void NotifySource();

    VirtualConfig config_;
    std::unique_ptr<SampleSource> source_;
    bool refused_ = false;  // no usable band: never on the bus

    mutable std::mutex mutex_;
    mutable std::condition_variable wake_;  // signals Changes()
    uint64_t changes_ = 0;

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
    std::deque<PendingRead> reads_;  // submission order; completed ones wait to be reaped
    TransferId nextId_ = 1;
    // The stall-samples fault: fired once per stream; the halt holds until cleared.
    bool stallFired_ = false;
    bool halted_ = false;
    Clock::time_point haltHeldUntil_{};

    FILE* trace_ = nullptr;
};

}  // namespace velorix::sim

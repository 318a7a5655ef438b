#include "VirtualReceiver.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "CheckedFile.h"
#include "SampleSourceFactory.h"
#include "TestToneSource.h"
#include "VirtualBitstream.h"

namespace velorix::sim {

namespace {

constexpr uint16_t kCpuControl = 0xE600;
constexpr uint16_t kScratchFirst = 0xE000, kScratchEnd = 0xE200;
constexpr size_t kMaxConfigurationBytes = 16u << 20;  // far beyond any real FPGA's image

uint8_t Reverse(uint8_t b) {
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

}  // namespace

VirtualReceiver::VirtualReceiver(VirtualConfig config, std::unique_ptr<SampleSource> source)
    : config_(std::move(config)),
      source_(source ? std::move(source) : CreateDefaultSampleSource(config_)),
      programMemory_(virtual_firmware::kProgramMemoryBytes, 0) {
    if (!source_) {
        refused_ = true;
        source_ = std::make_unique<TestToneSource>();  // never streams: keeps the calls safe
    }
    // Erased EEPROM, then the identity record at address 8.
    eeprom_.fill(0xFF);
    eeprom_[8] = uint8_t(config_.serial);
    eeprom_[9] = uint8_t(config_.serial >> 8);
    eeprom_[10] = 0;
    eeprom_[11] = 0;
    eeprom_[12] = config_.hwMinor;
    eeprom_[13] = config_.hwMajor;
    std::copy(config_.unitId.begin(), config_.unitId.end(), eeprom_.begin() + 14);
    if (!config_.traceFile.empty()) {
        files::FileProblem problem;
        trace_ = files::OpenOutputStream(config_.traceFile, {}, &problem);
        if (!trace_)
            std::fprintf(stderr, "velorix virtual receiver: cannot write the trace file %s\n",
                         problem.Describe(config_.traceFile).c_str());
    }
    std::lock_guard lock(mutex_);
    identity_ = LoaderIdentity();
    if (config_.plugFile.empty() && !refused_) {
        attached_ = true;
        generation_ = 1;
    }
}

VirtualReceiver::~VirtualReceiver() {
    if (trace_) std::fclose(trace_);
}

void VirtualReceiver::Trace(const char* format, ...) {
    if (!trace_) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(trace_, format, args);
    va_end(args);
    std::fputc('\n', trace_);
    std::fflush(trace_);
}

void VirtualReceiver::TraceBytes(const char* what, const uint8_t* data, int length) {
    if (!trace_) return;
    std::fprintf(trace_, "%s %d:", what, length);
    for (int i = 0; i < length; ++i)
        std::fprintf(trace_, " %02x", data[i]);
    std::fputc('\n', trace_);
    std::fflush(trace_);
}

// ---------------------------------------------------------------- bus

bool VirtualReceiver::Attached() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

uint32_t VirtualReceiver::Generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

UsbIdentity VirtualReceiver::Identity() const {
    std::lock_guard lock(mutex_);
    return identity_;
}

bool VirtualReceiver::FirmwareRunning() const {
    std::lock_guard lock(mutex_);
    return attached_ && firmwareRunning_ && !cpuInReset_;
}

void VirtualReceiver::Attach(const UsbIdentity& identity, bool firmware) {
    attached_ = true;
    ++generation_;
    identity_ = identity;
    firmwareRunning_ = firmware;
    events_.push_back(BusEvent::Arrival);
    Trace("attach %04x:%04x", identity.vendorId, identity.productId);
}

void VirtualReceiver::Detach() {
    attached_ = false;
    ++generation_;
    replies_.clear();
    configuring_ = false;
    rateKHz_ = 0;
    frontEnd_.controlByte = 0;
    carry_.clear();
    halted_ = false;
    for (PendingRead& read : reads_)
        if (!read.done) Finish(read, VirtualResult::NoDevice);
    events_.push_back(BusEvent::Removal);
    Trace("detach");
    Changed();
}

void VirtualReceiver::Plug() {
    std::lock_guard lock(mutex_);
    if (attached_ || attachAt_ || refused_) return;
    std::fill(programMemory_.begin(), programMemory_.end(), 0);
    cpuInReset_ = true;
    frontEnd_ = FrontEndState{};
    Attach(LoaderIdentity(), false);
}

void VirtualReceiver::Unplug() {
    std::lock_guard lock(mutex_);
    const bool pending = attachAt_.has_value();
    attachAt_.reset();
    if (attached_) {
        Detach();
    } else if (pending) {
        Trace("unplugged while re-enumerating");
    }
    firmwareRunning_ = false;
    cpuInReset_ = true;
}

std::vector<VirtualReceiver::BusEvent> VirtualReceiver::Poll(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (attachAt_ && now >= *attachAt_) {
        attachAt_.reset();
        Attach(attachIdentity_, true);
    }
    std::vector<BusEvent> events(events_.begin(), events_.end());
    events_.clear();
    return events;
}

std::optional<VirtualReceiver::Clock::time_point> VirtualReceiver::NextDeadline() const {
    std::lock_guard lock(mutex_);
    return attachAt_;
}

void VirtualReceiver::NoteOpen(uint32_t generation) {
    std::lock_guard lock(mutex_);
    if (Current(generation)) Trace("open %04x:%04x", identity_.vendorId, identity_.productId);
}

// ---------------------------------------------------------------- microcontroller

VirtualResult VirtualReceiver::Control(uint32_t generation, uint8_t requestType, uint8_t request,
                                       uint16_t value, uint16_t index, const uint8_t* data,
                                       uint16_t length) {
    std::lock_guard lock(mutex_);
    if (!Current(generation)) return VirtualResult::NoDevice;
    if (trace_) {
        char what[64];
        std::snprintf(what, sizeof what, "ctrl %02x %02x %04x %04x", requestType, request, value,
                      index);
        TraceBytes(what, data, length);
    }
    // The loader answers only the firmware-load request.
    if (requestType != 0x40 || request != 0xA0 || (length > 0 && !data))
        return VirtualResult::Stall;
    if (value == kCpuControl) {
        if (length < 1) return VirtualResult::Stall;
        WriteCpuControl(data[0]);
        return VirtualResult::Ok;
    }
    const uint32_t end = uint32_t(value) + length;
    if (end <= programMemory_.size()) {
        std::memcpy(programMemory_.data() + value, data, length);
        return VirtualResult::Ok;
    }
    if (value >= kScratchFirst && end <= kScratchEnd) return VirtualResult::Ok;
    return VirtualResult::Stall;
}

void VirtualReceiver::WriteCpuControl(uint8_t value) {
    if (value & 1) {
        cpuInReset_ = true;
        return;
    }
    if (!cpuInReset_) return;
    cpuInReset_ = false;
    // The firmware takes over the USB core: the device leaves the bus at once
    // and, if the program is sound, comes back with its own identity.
    std::optional<UsbIdentity> id =
        virtual_firmware::Parse(programMemory_.data(), programMemory_.size());
    Detach();
    firmwareRunning_ = false;
    if (!id) {
        Trace("firmware invalid: the device stays off the bus");
        return;
    }
    if (config_.noReenumerate) {
        Trace("fault: the firmware never re-appears");
        return;
    }
    if (config_.manufacturer) id->manufacturer = *config_.manufacturer;
    if (config_.product) id->product = *config_.product;
    attachIdentity_ = *id;
    attachAt_ = Clock::now() + kReenumerateDelay;
}

// ---------------------------------------------------------------- commands

VirtualResult VirtualReceiver::BulkWrite(uint32_t generation, uint8_t endpoint, const uint8_t* data,
                                         int length, int* transferred) {
    *transferred = 0;
    std::lock_guard lock(mutex_);
    if (!Current(generation)) return VirtualResult::NoDevice;
    if (endpoint != 0x01 || !firmwareRunning_ || cpuInReset_ || length < 0 || (length > 0 && !data))
        return VirtualResult::Stall;
    TraceBytes("out 01", data, length);
    // The firmware takes one packet per command.
    if (length > kMaxPacket) return VirtualResult::Stall;
    if (length > 0 && data[0] == config_.stallCommand) {
        Trace("fault: command %02x refused", data[0]);
        return VirtualResult::Stall;
    }
    if (length > 0) HandleCommand(data, length);
    *transferred = length;
    return VirtualResult::Ok;
}

void VirtualReceiver::Reply(std::vector<uint8_t> reply) {
    replies_.push_back(std::move(reply));
    Changed();
}

void VirtualReceiver::NotifySource() {
    source_->SetFrontEnd(frontEnd_);
}

void VirtualReceiver::HandleCommand(const uint8_t* frame, int length) {
    const uint8_t* p = frame + 1;
    const int n = length - 1;
    switch (frame[0]) {
        case 0x00:  // configuration data
            if (configuring_) {
                if (configuration_.size() + size_t(n) > kMaxConfigurationBytes) {
                    configuring_ = false;  // overrun: the FPGA will not come up
                    configuration_.clear();
                    Trace("fpga: configuration overrun");
                } else {
                    configuration_.insert(configuration_.end(), p, p + n);
                }
            }
            break;
        case 0x01:  // begin configuration
            UpdateFifo(Clock::now());
            configuring_ = true;
            configuration_.clear();
            rateKHz_ = 0;
            break;
        case 0x02:  // end configuration
            EndConfiguration();
            break;
        case 0x03: {  // control registers: echo what was latched
            SetControl(p, n);
            std::vector<uint8_t> reply(frame, frame + length);
            Reply(std::move(reply));
            break;
        }
        case 0x04:
            if (n >= 1) {
                frontEnd_.portByte = p[0];
                NotifySource();
            }
            break;
        case 0x06: {
            const int address = n >= 3 ? (p[0] | p[1] << 8) : 0;
            const int count = n >= 3 ? p[2] : 0;
            if (n < 3 || count + 2 > kMaxPacket || address + count > kEepromBytes) {
                Reply({0x06, 0});
                break;
            }
            std::vector<uint8_t> reply = {0x06, 1};
            reply.insert(reply.end(), eeprom_.begin() + address, eeprom_.begin() + address + count);
            Reply(std::move(reply));
            break;
        }
        case 0x07: {
            const int address = n >= 3 ? (p[0] | p[1] << 8) : 0;
            const int count = n >= 3 ? p[2] : 0;
            if (n < 3 || count != n - 3 || address + count > kEepromBytes) {
                Reply({0x07, 0});
                break;
            }
            std::copy(p + 3, p + 3 + count, eeprom_.begin() + address);
            Reply({0x07, 1});
            break;
        }
        case 0x08:  // shutdown: stream stopped, FPGA unconfigured
            UpdateFifo(Clock::now());
            frontEnd_.controlByte = 0;
            configuring_ = false;
            rateKHz_ = 0;
            NotifySource();
            Changed();
            break;
        default:
            break;
    }
}

void VirtualReceiver::EndConfiguration() {
    std::vector<uint8_t> image(configuration_.size());
    std::transform(configuration_.begin(), configuration_.end(), image.begin(), Reverse);
    const std::optional<int> rate =
        configuring_ ? virtual_bitstream::Parse(image.data(), image.size()) : std::nullopt;
    configuring_ = false;
    configuration_.clear();
    const bool done = rate && !config_.fpgaNeverDone;
    rateKHz_ = done ? *rate : 0;
    if (done) {
        // A freshly configured FPGA starts its stream afresh.
        source_->SetRate(rateKHz_);
        fifo_.Reset(uint64_t(rateKHz_) * 1000);
        runStart_ = Clock::now();
        carry_.clear();
    }
    if (done)
        Trace("fpga: configured for %d kHz", rateKHz_);
    else
        Trace("fpga: not configured");
    Reply({0x02, uint8_t(done ? 1 : 0)});
}

void VirtualReceiver::SetControl(const uint8_t* payload, int n) {
    if (n < 1) return;
    const Clock::time_point now = Clock::now();
    const bool wasRunning = frontEnd_.controlByte & 1;
    UpdateFifo(now);  // the old state's frames up to now
    frontEnd_.controlByte = payload[0];
    if (n >= 5)
        frontEnd_.tuningWord = uint32_t(payload[1]) | uint32_t(payload[2]) << 8 |
                               uint32_t(payload[3]) << 16 | uint32_t(payload[4]) << 24;
    const bool running = frontEnd_.controlByte & 1;
    if (running && !wasRunning) {
        // Acquisition starts with an empty FIFO and frame 0.
        fifo_.Reset(uint64_t(rateKHz_) * 1000);
        runStart_ = now;
        carry_.clear();
        sampleReads_ = 0;
        stallFired_ = false;
        halted_ = false;
    }
    NotifySource();
    Changed();
}

// ---------------------------------------------------------------- inspection

uint8_t VirtualReceiver::PortByte() const {
    std::lock_guard lock(mutex_);
    return frontEnd_.portByte;
}

uint8_t VirtualReceiver::ControlByte() const {
    std::lock_guard lock(mutex_);
    return frontEnd_.controlByte;
}

uint32_t VirtualReceiver::TuningWord() const {
    std::lock_guard lock(mutex_);
    return frontEnd_.tuningWord;
}

int VirtualReceiver::ConfiguredRateKHz() const {
    std::lock_guard lock(mutex_);
    return rateKHz_;
}

uint64_t VirtualReceiver::DroppedFrames() const {
    std::lock_guard lock(mutex_);
    return fifo_.Dropped();
}

std::array<uint8_t, VirtualReceiver::kEepromBytes> VirtualReceiver::Eeprom() const {
    std::lock_guard lock(mutex_);
    return eeprom_;
}

}  // namespace velorix::sim

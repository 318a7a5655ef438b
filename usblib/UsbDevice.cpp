#include "UsbDevice.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CheckedFile.h"
#include "FirmwareImage.h"
#include "IntelHex.h"
#include "UsbLog.h"

namespace velorix::usb {

namespace {

constexpr uint16_t kCpuControl = 0xE600;  // the microcontroller's CPU-control register
constexpr auto kArrivalWait = std::chrono::milliseconds(5000);

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return double(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count()) *
           0.001;
}

// The reader runs time-critical only when real-time priorities are asked for
// (VELORIX_RT=1); refused or not asked, it stays at normal priority.
void RaiseReaderPriority() {
    const char* rt = std::getenv("VELORIX_RT");
    if (!rt || std::strcmp(rt, "1") != 0) return;
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

}  // namespace

UsbDevice::UsbDevice(std::unique_ptr<UsbTransport> transport) : transport_(std::move(transport)) {}

UsbDevice::~UsbDevice() {
    TearDown();
}

void UsbDevice::TearDown() {
    UsbDevice::StopInput();
    transport_->StopNotifications();
    ReleaseHandle();
}

// ---------------------------------------------------------------- handle

std::shared_ptr<UsbConnection> UsbDevice::Handle() const {
    std::lock_guard lock(deviceMutex_);
    return handle_;
}

bool UsbDevice::OpenDevice() {
    std::lock_guard lock(deviceMutex_);
    if (handle_) return true;
    int error = 0;
    handle_ = transport_->OpenFirst(error);
    openError_ = error;
    return handle_ != nullptr;
}

void UsbDevice::ReleaseHandle() {
    std::shared_ptr<UsbConnection> old;
    {
        std::lock_guard lock(deviceMutex_);
        old.swap(handle_);
    }
    if (old) old->Invalidate();
}

void UsbDevice::CloseDevice() {
    ReleaseHandle();
}

int UsbDevice::Open() {
    // Registration follows a fresh open only: an Open on a valid handle answers at once.
    const bool wasOpen = Handle() != nullptr;
    const bool open = OpenDevice();
    if (open && !wasOpen) {
        std::lock_guard lock(registrationMutex_);
        if (!registered_) {
            registered_ = transport_->StartNotifications(this);
            if (!registered_)
                ShowMessage("Velorixusb.RegisterDeviceInterface()",
                            "RegisterDeviceNotification failed\n");
        }
    }
    return open ? 1 : 0;
}

void UsbDevice::OnArrival() {
    // A device that has just enumerated may refuse to open for a moment (the
    // system is still setting its permissions): try for about half a second.
    for (int attempt = 0; attempt < 5 && !OpenDevice(); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    arrival_.Set();
}

void UsbDevice::OnRemoval(const UsbConnection* connection) {
    {
        std::lock_guard lock(deviceMutex_);
        if (connection && connection != handle_.get()) return;
    }
    CloseDevice();
}

bool UsbDevice::SetTransferSize(uint8_t endpoint, uint32_t bytes) {
    const auto h = Handle();
    return h && h->SetTransferSize(endpoint, bytes);
}

char* UsbDevice::DeviceName() {
    const auto h = Handle();
    int n = h ? h->DeviceName(deviceName_, kNameBytes) : 0;
    n = std::clamp(n, 0, kNameBytes - 1);
    deviceName_[n] = 0;
    return deviceName_;
}

char* UsbDevice::FriendlyDeviceName() {
    const auto h = Handle();
    int n = h ? h->FriendlyName(friendlyName_, kNameBytes) : 0;
    n = std::clamp(n, 0, kNameBytes - 1);
    friendlyName_[n] = 0;
    return friendlyName_;
}

// ---------------------------------------------------------------- commands

TransferStatus UsbDevice::WriteCommand(const uint8_t* frame, int length) {
    const auto h = Handle();
    if (!h) return TransferStatus::NoDevice;
    if (!h->SetTransferSize(kCommandOut, kCommandPacket)) return TransferStatus::NoDevice;
    return SendFrame(*h, frame, length);
}

TransferStatus UsbDevice::SendFrame(UsbConnection& h, const uint8_t* frame, int length) {
    int sent = 0;
    TransferStatus s = h.BulkWrite(kCommandOut, frame, length, kCommandTimeoutMs, &sent);
    if (s == TransferStatus::Ok && sent != length) s = TransferStatus::Failed;
    if (s == TransferStatus::Ok || s == TransferStatus::NoDevice || length < 1) return s;
    // The receiver refused the command: say which, and clear a halt so that
    // the next command gets through.
    char text[96];
    std::snprintf(text, sizeof text, "command 0x%02X was refused (%s)\n", frame[0],
                  s == TransferStatus::Stall     ? "the endpoint stalled"
                  : s == TransferStatus::Timeout ? "no answer within 2 s"
                                                 : "the transfer failed");
    ShowMessage("libvelorixusb.so", text);
    if (s == TransferStatus::Stall) h.ClearHalt(kCommandOut);
    return s;
}

TransferStatus UsbDevice::ReadReply(uint8_t* buffer, int length, int* received) {
    *received = 0;
    const auto h = Handle();
    if (!h) return TransferStatus::NoDevice;
    if (!h->SetTransferSize(kReplyIn, kCommandPacket)) return TransferStatus::NoDevice;
    return h->BulkRead(kReplyIn, buffer, length, kCommandTimeoutMs, received);
}

TransferStatus UsbDevice::WriteFrame(const uint8_t* frame, int length) {
    const auto h = Handle();
    return h ? SendFrame(*h, frame, length) : TransferStatus::NoDevice;
}

// ---------------------------------------------------------------- firmware

bool UsbDevice::LoadMemory(uint16_t address, const uint8_t* data, uint16_t count) {
    const auto h = Handle();
    return h && h->ControlWrite(0x40, 0xA0, address, 0, data, count, kControlTimeoutMs) ==
                    TransferStatus::Ok;
}

int UsbDevice::ReleaseCpuAndWait() {
    // Reset before the CPU runs: the arrival its firmware causes cannot be missed.
    arrival_.Reset();
    const uint8_t run = 0;
    if (!LoadMemory(kCpuControl, &run, 1)) return 2;
    if (!arrival_.WaitFor(kArrivalWait)) return 2;
    firmwareReady_ = 1;
    return 0;
}

int UsbDevice::DownloadFirmware(const char* path) {
    return path ? DownloadHexFile(path) : DownloadBuiltIn();
}

int UsbDevice::DownloadBuiltIn() {
    const auto start = std::chrono::steady_clock::now();
    const uint8_t hold = 1;
    if (!LoadMemory(kCpuControl, &hold, 1)) return 2;
    for (size_t i = 0; i < kBuiltInFirmwareRecords; ++i) {
        const FirmwareRecord& r = kBuiltInFirmware[i];
        if (!LoadMemory(r.address, r.data, r.count)) return 2;
    }
    DebugLine("Firmware downloaded in %2.3f s\n", SecondsSince(start));
    return ReleaseCpuAndWait();
}

int UsbDevice::DownloadHexFile(const char* path) {
    // Only a regular file of a HEX image's size: a FIFO or device would hold
    // the caller, the CPU already in reset.
    FILE* file = files::OpenInputStream(path, files::kFirmwareHexLimit);
    if (!file) return 1;
    struct Closer {
        FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};

    const uint8_t hold = 1;
    if (!LoadMemory(kCpuControl, &hold, 1)) return 2;
    const auto start = std::chrono::steady_clock::now();
    // Room for the longest valid line, its line ending, and one more character
    // so that an overlong line is seen as such.
    char line[kMaxHexLineChars + 4];
    while (std::fgets(line, sizeof line, file)) {
        const size_t length = std::strlen(line);
        if (length == sizeof line - 1 && line[length - 1] != '\n') return 3;  // overlong
        FirmwareRecord record;
        // A malformed line leaves the CPU in reset: damaged firmware never runs.
        if (!ParseHexLine(std::string_view(line, length), record)) return 3;
        if (record.type == 0) {
            if (record.count > 0 && !LoadMemory(record.address, record.data, record.count))
                return 2;
        } else if (record.type == 2 || record.type == 3) {
            return 4;
        }
        // Any other type, the end-of-file record included, is passed over.
    }
    if (std::ferror(file)) return 3;
    DebugLine("Firmware downloaded in %2.3f s\n", SecondsSince(start));
    return ReleaseCpuAndWait();
}

// ---------------------------------------------------------------- input

bool UsbDevice::StartInput(uint8_t endpoint, int bytes, InputCallback callback, void* user) {
    if (running_) return false;
    if (bytes <= 0) return false;
    if (reader_.joinable()) reader_.join();  // a reader that stopped itself from its callback
    user_ = user;
    callback_ = callback;
    endpoint_ = endpoint;
    blockBytes_ = bytes;
    readTimeoutMs_ = kReadTimeoutMs;
    if (!SetTransferSize(endpoint, uint32_t(bytes))) return false;
    block_.assign(size_t(bytes), 0);
    stop_ = false;
    running_ = true;
    try {
        reader_ = std::thread(&UsbDevice::ReaderLoop, this);
    } catch (...) {
        running_ = false;
        block_.clear();
        return false;
    }
    return true;
}

void UsbDevice::StopInput() {
    if (!running_ && !reader_.joinable()) return;
    {
        std::lock_guard lock(stopMutex_);
        stop_ = true;
    }
    // From now on a completed read is not delivered.
    callback_ = nullptr;
    stopWake_.notify_all();
    if (reader_.joinable() && reader_.get_id() == std::this_thread::get_id())
        return;  // called from the callback: the reader ends after it returns
    if (reader_.joinable()) reader_.join();
    block_.clear();
    block_.shrink_to_fit();
}

void UsbDevice::ReaderLoop() {
    pthread_setname_np(pthread_self(), "velorix-reader");
    RaiseReaderPriority();
    const auto timeout = std::chrono::milliseconds(readTimeoutMs_.load());
    while (!stop_) {
        const auto started = std::chrono::steady_clock::now();
        TransferStatus status;
        {
            std::lock_guard lock(transferLock_);
            const auto h = Handle();
            int got = 0;
            status = h ? h->BulkRead(endpoint_, block_.data(), blockBytes_,
                                     unsigned(timeout.count()), &got)
                       : TransferStatus::NoDevice;
            // Only whole blocks reach the callback. A read that moved samples
            // but ended short or failed lost them: the callback hears of it
            // with a null block, so the gap in the stream is counted.
            const InputCallback callback = callback_;
            if (callback && status == TransferStatus::Ok && got == blockBytes_)
                callback(block_.data(), user_);
            else if (callback && got > 0)
                callback(nullptr, user_);
            // A halted endpoint is cleared so that reading goes on.
            if (h && status == TransferStatus::Stall)
                h->ClearHalt(endpoint_);
            else if (h && status != TransferStatus::Ok)
                h->AbortRead(endpoint_);
        }
        if (status != TransferStatus::Ok) {
            // Without a device a read fails at once: wait out the read time-out
            // (or the stop) instead of spinning.
            std::unique_lock lock(stopMutex_);
            stopWake_.wait_until(lock, started + timeout, [this] { return stop_.load(); });
        }
    }
    running_ = false;
}

int UsbDevice::ReadInputData(uint8_t* buffer, int bytes) {
    if (!buffer || bytes <= 0) return 0;
    if (!SetTransferSize(kSamplesIn, uint32_t(bytes))) return 0;
    const auto h = Handle();
    if (!h) return 0;
    // Bounded wait: one second plus the time the bytes take at the slowest rate
    // (125 kHz, 750 000 bytes per second).
    const unsigned timeoutMs = 1000 + unsigned(uint64_t(bytes) * 1000 / 750000);
    int got = 0;
    const TransferStatus s = h->BulkRead(kSamplesIn, buffer, bytes, timeoutMs, &got);
    if (s != TransferStatus::Ok) h->AbortRead(kSamplesIn);
    return s == TransferStatus::Ok && got == bytes ? 1 : 0;
}

}  // namespace velorix::usb

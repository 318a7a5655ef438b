#include "VirtualTransport.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace velorix::usb {

namespace {

TransferStatus FromVirtual(sim::VirtualResult r) {
    switch (r) {
        case sim::VirtualResult::Ok:
            return TransferStatus::Ok;
        case sim::VirtualResult::Timeout:
            return TransferStatus::Timeout;
        case sim::VirtualResult::NoDevice:
            return TransferStatus::NoDevice;
        case sim::VirtualResult::Stall:
            return TransferStatus::Stall;
        case sim::VirtualResult::Aborted:
            return TransferStatus::Aborted;
    }
    return TransferStatus::Failed;
}

// A handle on the virtual receiver, valid while the bus generation it was opened at lasts.
class VirtualConnection : public UsbConnection {
public:
    VirtualConnection(std::shared_ptr<sim::VirtualReceiver> receiver, uint32_t generation)
        : receiver_(std::move(receiver)), generation_(generation) {}

    TransferStatus ControlWrite(uint8_t requestType, uint8_t request, uint16_t value,
                                uint16_t index, const uint8_t* data, uint16_t length,
                                unsigned) override {
        if (invalid_) return TransferStatus::NoDevice;
        return FromVirtual(
            receiver_->Control(generation_, requestType, request, value, index, data, length));
    }

    TransferStatus BulkWrite(uint8_t endpoint, const uint8_t* data, int length, unsigned,
                             int* transferred) override {
        *transferred = 0;
        if (invalid_) return TransferStatus::NoDevice;
        return FromVirtual(receiver_->BulkWrite(generation_, endpoint, data, length, transferred));
    }

    // Submits the read and waits for it, as a kernel driver's synchronous
    // read would: until it completes, the time-out or Invalidate.
    TransferStatus BulkRead(uint8_t endpoint, uint8_t* data, int length, unsigned timeoutMs,
                            int* transferred) override {
        using Clock = sim::VirtualReceiver::Clock;
        *transferred = 0;
        if (invalid_) return TransferStatus::NoDevice;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        const auto id = receiver_->SubmitRead(generation_, endpoint, data, length);
        bool timedOut = false;
        for (;;) {
            const uint64_t seen = receiver_->Changes();
            const Clock::time_point now = Clock::now();
            if (const auto done = receiver_->Reap(id, now)) {
                *transferred = done->transferred;
                const TransferStatus s = FromVirtual(done->result);
                if (s != TransferStatus::Aborted) return s;
                return invalid_ ? TransferStatus::NoDevice : timedOut ? TransferStatus::Timeout : s;
            }
            if (invalid_ || now >= deadline) {
                timedOut = !invalid_;
                receiver_->Cancel(id);
                continue;
            }
            Clock::time_point until = deadline;
            if (const auto due = receiver_->NextCompletion(now)) until = std::min(until, *due);
            receiver_->WaitForChange(seen, until);
        }
    }

    bool ClearHalt(uint8_t endpoint) override {
        return !invalid_ && receiver_->ClearHalt(generation_, endpoint) == sim::VirtualResult::Ok;
    }

    bool SetTransferSize(uint8_t, uint32_t) override {
        return !invalid_ && receiver_->Attached() && receiver_->Generation() == generation_;
    }

    void AbortRead(uint8_t endpoint) override {
        if (!invalid_) receiver_->Abort(generation_, endpoint);
    }

    int DeviceName(char* buffer, int capacity) override {
        return Copy(Current() ? receiver_->Identity().product : std::string(), buffer, capacity);
    }

    int FriendlyName(char* buffer, int capacity) override {
        return Copy(Current() ? receiver_->Identity().manufacturer : std::string(), buffer,
                    capacity);
    }

    void Invalidate() override {
        invalid_ = true;
        receiver_->WakeReaders();
    }

private:
    bool Current() const {
        return !invalid_ && receiver_->Attached() && receiver_->Generation() == generation_;
    }

    static int Copy(const std::string& text, char* buffer, int capacity) {
        const int n = std::min(int(text.size()), capacity);
        if (n > 0) std::memcpy(buffer, text.data(), size_t(n));
        return std::max(n, 0);
    }

    std::shared_ptr<sim::VirtualReceiver> receiver_;
    const uint32_t generation_;
    std::atomic<bool> invalid_{false};
};

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

VirtualTransport::VirtualTransport(sim::VirtualConfig config,
                                   std::unique_ptr<sim::SampleSource> source)
    : noNotifications_(config.noNotifications),
      plugFile_(config.plugFile),
      receiver_(std::make_shared<sim::VirtualReceiver>(std::move(config), std::move(source))) {
    plugPresent_ = !plugFile_.empty() && FileExists(plugFile_);
    if (plugPresent_) {
        receiver_->Plug();
        receiver_->Poll(sim::VirtualReceiver::Clock::now());  // present from the start: no event
    }
    thread_ = std::thread(&VirtualTransport::Run, this);
}

VirtualTransport::~VirtualTransport() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        wake_.notify_all();
    }
    thread_.join();
}

std::shared_ptr<UsbConnection> VirtualTransport::OpenFirst(int& error) {
    error = ENODEV;
    if (!receiver_->Attached()) return nullptr;
    error = 0;
    const uint32_t generation = receiver_->Generation();
    receiver_->NoteOpen(generation);
    return std::make_shared<VirtualConnection>(receiver_, generation);
}

bool VirtualTransport::StartNotifications(UsbHotplugListener* listener) {
    if (noNotifications_) return false;
    std::lock_guard lock(mutex_);
    listener_ = listener;
    return true;
}

void VirtualTransport::StopNotifications() {
    {
        std::lock_guard lock(mutex_);
        listener_ = nullptr;
    }
    // Waits for a delivery in progress: no callback runs after this returns.
    std::lock_guard delivery(deliveryMutex_);
}

void VirtualTransport::FollowPlugFile() {
    if (plugFile_.empty()) return;
    // Edge-triggered: a device that left the bus by itself stays away while the file stays.
    const bool present = FileExists(plugFile_);
    if (present == plugPresent_) return;
    plugPresent_ = present;
    if (present)
        receiver_->Plug();
    else
        receiver_->Unplug();
}

void VirtualTransport::Run() {
    using Clock = sim::VirtualReceiver::Clock;
    constexpr auto kPlugPoll = std::chrono::milliseconds(20);
    for (;;) {
        FollowPlugFile();
        const std::vector<sim::VirtualReceiver::BusEvent> events = receiver_->Poll(Clock::now());
        {
            std::lock_guard delivery(deliveryMutex_);
            for (sim::VirtualReceiver::BusEvent e : events) {
                UsbHotplugListener* listener;
                {
                    std::lock_guard lock(mutex_);
                    listener = listener_;
                }
                if (!listener) break;
                if (e == sim::VirtualReceiver::BusEvent::Arrival)
                    listener->OnArrival();
                else
                    listener->OnRemoval(nullptr);
            }
        }
        Clock::time_point next = Clock::now() + kPlugPoll;
        if (const auto due = receiver_->NextDeadline()) next = std::min(next, *due);
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, next, [this] { return stop_; })) return;
    }
}

}  // namespace velorix::usb

#include "LibusbTransport.h"

#include <libusb.h>
#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "LibusbErrors.h"

namespace velorix::usb {

// ---------------------------------------------------------------- connection

class LibusbConnection : public UsbConnection {
public:
    LibusbConnection(std::shared_ptr<libusb_context> context, libusb_device_handle* handle,
                     libusb_device* device)
        : context_(std::move(context)), handle_(handle), device_(device) {}

    ~LibusbConnection() override {
        libusb_release_interface(handle_, 0);
        libusb_close(handle_);
        libusb_unref_device(device_);
    }

    libusb_device* Device() const { return device_; }

    TransferStatus ControlWrite(uint8_t requestType, uint8_t request, uint16_t value,
                                uint16_t index, const uint8_t* data, uint16_t length,
                                unsigned timeoutMs) override {
        std::vector<uint8_t> buffer(LIBUSB_CONTROL_SETUP_SIZE + length);
        libusb_fill_control_setup(buffer.data(), requestType, request, value, index, length);
        if (length) std::memcpy(buffer.data() + LIBUSB_CONTROL_SETUP_SIZE, data, length);
        libusb_transfer* t = libusb_alloc_transfer(0);
        if (!t) return TransferStatus::Failed;
        libusb_fill_control_transfer(t, handle_, buffer.data(), nullptr, nullptr, timeoutMs);
        int done = 0;
        const TransferStatus s = Run(t, &done);
        libusb_free_transfer(t);
        return s;
    }

    TransferStatus BulkWrite(uint8_t endpoint, const uint8_t* data, int length, unsigned timeoutMs,
                             int* transferred) override {
        return Bulk(endpoint, const_cast<uint8_t*>(data), length, timeoutMs, transferred);
    }

    TransferStatus BulkRead(uint8_t endpoint, uint8_t* data, int length, unsigned timeoutMs,
                            int* transferred) override {
        return Bulk(endpoint, data, length, timeoutMs, transferred);
    }

    // libusb has no per-endpoint transfer size: each read asks for its own length.
    bool SetTransferSize(uint8_t, uint32_t) override { return !invalid_.load(); }

    void AbortRead(uint8_t endpoint) override {
        std::lock_guard lock(mutex_);
        for (libusb_transfer* t : pending_)
            if (t->endpoint == endpoint) libusb_cancel_transfer(t);
    }

    bool ClearHalt(uint8_t endpoint) override {
        return !invalid_ && libusb_clear_halt(handle_, endpoint) == 0;
    }

    int DeviceName(char* buffer, int capacity) override {
        return StringDescriptor(true, buffer, capacity);
    }
    int FriendlyName(char* buffer, int capacity) override {
        return StringDescriptor(false, buffer, capacity);
    }

    void Invalidate() override {
        invalid_ = true;
        std::lock_guard lock(mutex_);
        for (libusb_transfer* t : pending_)
            libusb_cancel_transfer(t);
    }

private:
    static void LIBUSB_CALL OnDone(libusb_transfer* t) { *static_cast<int*>(t->user_data) = 1; }

    TransferStatus Bulk(uint8_t endpoint, uint8_t* data, int length, unsigned timeoutMs,
                        int* transferred) {
        *transferred = 0;
        libusb_transfer* t = libusb_alloc_transfer(0);
        if (!t) return TransferStatus::Failed;
        libusb_fill_bulk_transfer(t, handle_, endpoint, data, length, nullptr, nullptr, timeoutMs);
        const TransferStatus s = Run(t, transferred);
        libusb_free_transfer(t);
        return s;
    }

    // Submits `t` and handles events until it completes; the transfer's own
    // time-out bounds the wait, and libusb cancels it before completing it.
    TransferStatus Run(libusb_transfer* t, int* transferred) {
        int completed = 0;
        t->user_data = &completed;
        t->callback = &LibusbConnection::OnDone;
        {
            std::lock_guard lock(mutex_);
            if (invalid_) return TransferStatus::NoDevice;
            const int rc = libusb_submit_transfer(t);
            if (rc != 0) return MapLibusbError(rc);
            pending_.push_back(t);
        }
        bool cancelled = false;
        while (!completed) {
            timeval tv{0, 100000};
            const int rc = libusb_handle_events_timeout_completed(context_.get(), &tv, &completed);
            if (rc < 0 && rc != LIBUSB_ERROR_INTERRUPTED && !cancelled) {
                libusb_cancel_transfer(t);
                cancelled = true;
            }
        }
        {
            std::lock_guard lock(mutex_);
            pending_.erase(std::find(pending_.begin(), pending_.end(), t));
        }
        *transferred = t->actual_length;
        TransferStatus s = MapLibusbTransferStatus(t->status);
        if (s == TransferStatus::Aborted && invalid_) s = TransferStatus::NoDevice;
        return s;
    }

    int StringDescriptor(bool product, char* buffer, int capacity) {
        if (invalid_ || capacity <= 0) return 0;
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(device_, &desc) != 0) return 0;
        const uint8_t index = product ? desc.iProduct : desc.iManufacturer;
        if (index == 0) return 0;
        unsigned char text[256];
        const int n = libusb_get_string_descriptor_ascii(handle_, index, text, sizeof text);
        if (n <= 0) return 0;
        const int copied = std::min(n, capacity);
        std::memcpy(buffer, text, size_t(copied));
        return copied;
    }

    std::shared_ptr<libusb_context> context_;
    libusb_device_handle* handle_;
    libusb_device* device_;
    std::atomic<bool> invalid_{false};
    std::mutex mutex_;
    std::vector<libusb_transfer*> pending_;
};

// ---------------------------------------------------------------- transport

namespace {

int LIBUSB_CALL OnHotplug(libusb_context*, libusb_device* device, libusb_hotplug_event event,
                          void* user) {
    auto* transport = static_cast<LibusbTransport*>(user);
    if (transport->Accepts(device))
        transport->QueueEvent(device, event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    return 0;  // stay registered
}

}  // namespace

LibusbTransport::LibusbTransport(std::vector<UsbId> ids, std::string idsError)
    : ids_(std::move(ids)), idsError_(std::move(idsError)) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) == 0)
        context_.reset(context, [](libusb_context* c) { libusb_exit(c); });
    else
        std::fprintf(stderr, "velorixusb: libusb cannot be initialised\n");
}

LibusbTransport::~LibusbTransport() {
    StopNotifications();
    for (libusb_device* d : present_)
        libusb_unref_device(d);
}

bool LibusbTransport::Accepts(libusb_device* device) const {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(device, &desc) != 0) return false;
    return MatchUsbId(ids_, desc.idVendor, desc.idProduct) >= 0;
}

std::shared_ptr<UsbConnection> LibusbTransport::OpenFirst(int& error) {
    error = ENODEV;
    if (!idsError_.empty()) {
        if (!idsErrorShown_.exchange(true))
            std::fprintf(stderr, "velorixusb: no receiver can be looked for: %s\n",
                         idsError_.c_str());
        return nullptr;
    }
    if (!context_) return nullptr;
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(context_.get(), &list);
    if (n < 0) return nullptr;
    libusb_device* first = nullptr;
    for (ssize_t i = 0; i < n && !first; ++i)
        if (Accepts(list[i])) first = libusb_ref_device(list[i]);
    libusb_free_device_list(list, 1);
    if (!first) return nullptr;

    libusb_device_handle* handle = nullptr;
    int rc = libusb_open(first, &handle);
    if (rc == 0) {
        libusb_set_auto_detach_kernel_driver(handle, 1);
        rc = libusb_claim_interface(handle, 0);
        if (rc != 0) libusb_close(handle);
    }
    if (rc != 0) {
        std::fprintf(stderr, "velorixusb: the receiver cannot be opened: %s\n",
                     libusb_strerror(rc));
        libusb_unref_device(first);
        error = rc == LIBUSB_ERROR_ACCESS      ? EACCES
                : rc == LIBUSB_ERROR_BUSY      ? EBUSY
                : rc == LIBUSB_ERROR_NO_DEVICE ? ENODEV
                                               : EIO;
        return nullptr;
    }
    error = 0;
    auto connection = std::make_shared<LibusbConnection>(context_, handle, first);
    std::lock_guard lock(connectionsMutex_);
    std::erase_if(connections_, [](const auto& w) { return w.expired(); });
    connections_.push_back(connection);
    return connection;
}

void LibusbTransport::QueueEvent(libusb_device* device, bool arrived) {
    std::lock_guard lock(mutex_);
    events_.push_back({libusb_ref_device(device), arrived});
    wake_.notify_all();
}

bool LibusbTransport::StartNotifications(UsbHotplugListener* listener) {
    if (!context_) return false;
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) return true;
    listener_ = listener;
    stop_ = false;
    hotplug_ = libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) &&
               libusb_hotplug_register_callback(
                   context_.get(),
                   libusb_hotplug_event(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                        LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                   libusb_hotplug_flag(0), LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                   LIBUSB_HOTPLUG_MATCH_ANY, &OnHotplug, this, &hotplugHandle_) == 0;
    if (!hotplug_) PollDevices();  // the devices present now are not arrivals
    try {
        thread_ = std::thread(&LibusbTransport::Run, this);
    } catch (...) {
        if (hotplug_) libusb_hotplug_deregister_callback(context_.get(), hotplugHandle_);
        listener_ = nullptr;
        return false;
    }
    return true;
}

void LibusbTransport::StopNotifications() {
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) return;
        stop_ = true;
        wake_.notify_all();
    }
    if (hotplug_) libusb_hotplug_deregister_callback(context_.get(), hotplugHandle_);
    thread_.join();
    std::lock_guard lock(mutex_);
    for (Event& e : events_)
        libusb_unref_device(e.device);
    events_.clear();
    listener_ = nullptr;
}

void LibusbTransport::PollDevices() {
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(context_.get(), &list);
    if (n < 0) return;
    std::vector<libusb_device*> now;
    for (ssize_t i = 0; i < n; ++i)
        if (Accepts(list[i])) now.push_back(libusb_ref_device(list[i]));
    libusb_free_device_list(list, 1);
    const bool first = present_.empty() && !thread_.joinable();
    for (libusb_device* d : now)
        if (!first && std::find(present_.begin(), present_.end(), d) == present_.end())
            events_.push_back({libusb_ref_device(d), true});
    for (libusb_device* d : present_)
        if (std::find(now.begin(), now.end(), d) == now.end())
            events_.push_back({libusb_ref_device(d), false});
    for (libusb_device* d : present_)
        libusb_unref_device(d);
    present_ = std::move(now);
}

void LibusbTransport::Run() {
    pthread_setname_np(pthread_self(), "velorix-hotplug");
    for (;;) {
        if (hotplug_) {
            timeval tv{0, 100000};
            libusb_handle_events_timeout_completed(context_.get(), &tv, nullptr);
            std::unique_lock lock(mutex_);
            if (stop_) return;
        } else {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return stop_; });
            if (stop_) return;
            PollDevices();
        }
        Deliver();
    }
}

void LibusbTransport::Deliver() {
    for (;;) {
        Event e;
        UsbHotplugListener* listener;
        {
            std::lock_guard lock(mutex_);
            if (events_.empty() || stop_) return;
            e = events_.front();
            events_.pop_front();
            listener = listener_;
        }
        if (e.arrived) {
            listener->OnArrival();
        } else {
            // Only the device we hold matters; another receiver leaving changes nothing.
            std::shared_ptr<LibusbConnection> gone;
            {
                std::lock_guard lock(connectionsMutex_);
                for (const auto& w : connections_)
                    if (auto c = w.lock(); c && c->Device() == e.device) gone = c;
            }
            if (gone) listener->OnRemoval(gone.get());
        }
        libusb_unref_device(e.device);
    }
}

}  // namespace velorix::usb

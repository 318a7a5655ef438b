#include "UsbfsNode.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "UsbDescriptors.h"

namespace velorix::usbemu {

namespace {

using Clock = sim::VirtualReceiver::Clock;

constexpr size_t kPage = 4096;

int ToStatus(sim::VirtualResult r) {
    switch (r) {
        case sim::VirtualResult::Ok:
            return 0;
        case sim::VirtualResult::Stall:
            return -EPIPE;
        case sim::VirtualResult::NoDevice:
            return -ENODEV;
        case sim::VirtualResult::Aborted:
            return -ENOENT;  // as a discarded URB reaps
        case sim::VirtualResult::Timeout:
            return -ETIMEDOUT;
    }
    return -EIO;
}

// The argument of an ioctl as a `T` in our memory (written back when the ioctl completes).
template <typename T>
T* Resolve(UMockdevIoctlData* arg) {
    UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(T), nullptr);
    return d ? reinterpret_cast<T*>(d->data) : nullptr;
}

// A steady_clock time as GLib's monotonic microseconds (both are CLOCK_MONOTONIC).
gint64 MonotonicUs(Clock::time_point t) {
    return std::chrono::ceil<std::chrono::microseconds>(t.time_since_epoch()).count();
}

gboolean DispatchTimer(GSource*, GSourceFunc callback, gpointer data) {
    return callback(data);
}

GSourceFuncs kTimerFuncs = {nullptr, nullptr, DispatchTimer, nullptr, nullptr, nullptr};

}  // namespace

UsbfsNode::UsbfsNode(std::shared_ptr<sim::VirtualReceiver> model, uint32_t generation, int devnum,
                     std::string fifoPath)
    : model_(std::move(model)),
      generation_(generation),
      devnum_(devnum),
      fifoPath_(std::move(fifoPath)) {
    // The default rule of a system without ours: root's, readable by all,
    // writable by root only.
    ::unlink(fifoPath_.c_str());
    if (::mkfifo(fifoPath_.c_str(), 0664) != 0 || ::chmod(fifoPath_.c_str(), 0664) != 0 ||
        (fifo_ = ::open(fifoPath_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) < 0) {
        fifoError_ = errno;
        return;
    }
    static const char page[kPage] = {};
    while (::write(fifo_, page, kPage) == ssize_t(kPage)) {
    }
}

UsbfsNode::~UsbfsNode() {
    if (timer_) {
        g_source_destroy(timer_);
        g_source_unref(timer_);
    }
    if (context_) g_main_context_unref(context_);
    for (Urb& urb : urbs_)
        Release(urb);
    if (fifo_ >= 0) ::close(fifo_);
}

bool UsbfsNode::Ready(std::string& error) const {
    if (fifoError_ == 0) return true;
    error = fifoPath_ + ": " + std::strerror(fifoError_);
    return false;
}

void UsbfsNode::Release(Urb& urb) {
    if (urb.read) {  // the model writes into the buffer until it forgets the read
        model_->Cancel(*urb.read);
        model_->Reap(*urb.read, Clock::now());
        urb.read.reset();
    }
    if (urb.buffer) g_object_unref(urb.buffer);
    if (urb.urb) g_object_unref(urb.urb);
    urb.buffer = urb.urb = nullptr;
}

void UsbfsNode::Ioctl(UMockdevIoctlClient* client) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    long result = 0;
    int error = 0;
    std::optional<Urb> reaped;  // released once the client has its copy
    Lock lock(mutex_);
    if (!context_) {
        context_ = g_main_context_ref_thread_default();
        timer_ = g_source_new(&kTimerFuncs, sizeof(GSource));
        g_source_set_callback(timer_, &UsbfsNode::OnTimer,
                              new std::weak_ptr<UsbfsNode>(weak_from_this()),
                              [](gpointer p) { delete static_cast<std::weak_ptr<UsbfsNode>*>(p); });
        g_source_attach(timer_, context_);
    }
    const bool reaping = request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB ||
                         request == USBDEVFS_DISCARDURB;
    auto fail = [&](int e) {
        result = -1;
        error = e;
    };
    if (gone_ && !reaping) {
        fail(ENODEV);
    } else {
        switch (request) {
            case USBDEVFS_GET_CAPABILITIES:
                // One URB carries a whole block, as on a controller with scatter-gather.
                if (auto* caps = Resolve<uint32_t>(arg))
                    *caps = USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION |
                            USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_ZERO_PACKET |
                            USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
                else
                    fail(EFAULT);
                break;
            case USBDEVFS_CLAIMINTERFACE:
            case USBDEVFS_RELEASEINTERFACE:
                if (auto* iface = Resolve<unsigned>(arg); !iface || *iface != 0) fail(ENOENT);
                break;
            case USBDEVFS_SETINTERFACE:
                if (auto* s = Resolve<usbdevfs_setinterface>(arg);
                    !s || s->interface != 0 || s->altsetting != 0)
                    fail(EINVAL);
                break;
            case USBDEVFS_CLEAR_HALT:
                if (auto* ep = Resolve<unsigned>(arg)) {
                    if (const int s = ToStatus(model_->ClearHalt(generation_, uint8_t(*ep))))
                        fail(-s);
                } else {
                    fail(EFAULT);
                }
                break;
            case USBDEVFS_RESETEP:
            case USBDEVFS_RESET:
            case USBDEVFS_SETCONFIGURATION:
                break;
            case USBDEVFS_GETDRIVER:
            case USBDEVFS_IOCTL:  // disconnecting a kernel driver
                fail(ENODATA);    // no kernel driver holds the interface
                break;
            case USBDEVFS_GET_SPEED:
                result = 3;  // USB_SPEED_HIGH
                break;
            case USBDEVFS_CONNECTINFO:
                if (auto* info = Resolve<usbdevfs_connectinfo>(arg)) {
                    info->devnum = unsigned(devnum_);
                    info->slow = 0;
                } else {
                    fail(EFAULT);
                }
                break;
            case USBDEVFS_SUBMITURB:
                result = Submit(client, arg, error);
                break;
            case USBDEVFS_REAPURB:  // libusb never waits in the kernel: as NDELAY
            case USBDEVFS_REAPURBNDELAY:
                result = Reap(client, arg, error, reaped);
                break;
            case USBDEVFS_DISCARDURB:
                result = Discard(client, arg, error);
                break;
            default:
                fail(ENOTTY);
                break;
        }
    }
    Refresh(lock);
    lock.unlock();
    umockdev_ioctl_client_complete(client, result, error);
    if (reaped) {
        lock.lock();
        Release(*reaped);
    }
}

long UsbfsNode::Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg, int& error,
                     std::optional<Urb>& reaped) {
    const auto it = std::find_if(urbs_.begin(), urbs_.end(), [client](const Urb& u) {
        return u.client == client && u.complete;
    });
    if (it == urbs_.end()) {
        error = gone_ ? ENODEV : EAGAIN;
        return -1;
    }
    auto* u = reinterpret_cast<usbdevfs_urb*>(it->urb->data);
    u->status = it->status;
    u->actual_length = it->actual;
    // The client's pointer slot now points at its own URB, which goes back with its buffer.
    UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    if (!slot || !umockdev_ioctl_data_set_ptr(slot, 0, it->urb)) {
        error = EFAULT;
        return -1;
    }
    reaped = *it;
    urbs_.erase(it);
    return 0;
}

long UsbfsNode::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg, int& error) {
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    if (!data) {
        error = EFAULT;
        return -1;
    }
    const auto* u = reinterpret_cast<const usbdevfs_urb*>(data->data);
    Urb urb;
    urb.client = client;
    urb.urb = UMOCKDEV_IOCTL_DATA(g_object_ref(data));
    if (u->buffer_length > 0) {
        UMockdevIoctlData* b = umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                                           size_t(u->buffer_length), nullptr);
        if (!b) {
            Release(urb);
            error = EFAULT;
            return -1;
        }
        urb.buffer = UMOCKDEV_IOCTL_DATA(g_object_ref(b));
    }
    uint8_t* bytes = urb.buffer ? urb.buffer->data : nullptr;
    const int length = u->buffer_length;
    if (u->type == USBDEVFS_URB_TYPE_CONTROL && length >= 8) {
        urb.status = Control(bytes, length, urb.actual);
        urb.complete = true;
    } else if (u->type == USBDEVFS_URB_TYPE_BULK && (u->endpoint & 0x80)) {
        urb.read = model_->SubmitRead(generation_, u->endpoint, bytes, length);
    } else if (u->type == USBDEVFS_URB_TYPE_BULK) {
        urb.status =
            ToStatus(model_->BulkWrite(generation_, u->endpoint, bytes, length, &urb.actual));
        urb.complete = true;
    } else {
        Release(urb);
        error = EINVAL;
        return -1;
    }
    urbs_.push_back(urb);
    return 0;
}

int UsbfsNode::Control(uint8_t* s, int length, int& actual) {
    actual = 0;
    const uint8_t requestType = s[0], request = s[1];
    const uint16_t value = uint16_t(s[2] | s[3] << 8), index = uint16_t(s[4] | s[5] << 8);
    const uint16_t dataBytes = uint16_t(std::min(int(s[6] | s[7] << 8), length - 8));
    if (!model_->Attached() || model_->Generation() != generation_) return -ENODEV;
    if (requestType & 0x80) {
        // The device answers only GET_DESCRIPTOR(string); the rest come from sysfs.
        if (request != 6 || value >> 8 != 3) return -EPIPE;
        const std::vector<uint8_t> d =
            StringDescriptor(model_->Identity(), uint8_t(value), index, dataBytes);
        if (d.empty()) return -EPIPE;
        std::copy(d.begin(), d.end(), s + 8);
        actual = int(d.size());
        return 0;
    }
    const int status = ToStatus(
        model_->Control(generation_, requestType, request, value, index, s + 8, dataBytes));
    if (status == 0) actual = dataBytes;
    return status;
}

long UsbfsNode::Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg, int& error) {
    // The argument is the URB's address in the client.
    const gulong address = *reinterpret_cast<const gulong*>(arg->data);
    for (Urb& urb : urbs_)
        if (urb.client == client && urb.urb->client_addr == address && !urb.complete) {
            if (urb.read) model_->Cancel(*urb.read);  // reaps as -ENOENT
            return 0;
        }
    error = EINVAL;
    return -1;
}

void UsbfsNode::Connected() {
    model_->NoteOpen(generation_);
}

void UsbfsNode::Vanished(UMockdevIoctlClient* client) {
    Lock lock(mutex_);
    for (auto it = urbs_.begin(); it != urbs_.end();) {
        if (it->client != client) {
            ++it;
            continue;
        }
        Release(*it);
        it = urbs_.erase(it);
    }
    Refresh(lock);
}

void UsbfsNode::Unplugged() {
    Lock lock(mutex_);
    gone_ = true;
    Refresh(lock);
}

gboolean UsbfsNode::OnTimer(gpointer data) {
    if (const auto self = static_cast<std::weak_ptr<UsbfsNode>*>(data)->lock()) {
        Lock lock(self->mutex_);
        g_source_set_ready_time(self->timer_, -1);
        self->Refresh(lock);
    }
    return G_SOURCE_CONTINUE;
}

void UsbfsNode::Refresh(const Lock&) {
    const Clock::time_point now = Clock::now();
    const std::optional<Clock::time_point> next = model_->NextCompletion(now);
    bool reapable = false;
    for (Urb& urb : urbs_) {
        if (urb.read) {
            if (const auto done = model_->Reap(*urb.read, now)) {
                urb.read.reset();
                urb.complete = true;
                urb.status = ToStatus(done->result);
                urb.actual = done->transferred;
            }
        }
        reapable = reapable || urb.complete;
    }
    SetReadable(reapable);
    if (timer_) g_source_set_ready_time(timer_, next ? MonotonicUs(*next) : -1);
}

void UsbfsNode::SetReadable(bool readable) {
    if (fifo_ < 0 || readable == readable_) return;
    char page[kPage] = {};
    const ssize_t n = readable ? ::read(fifo_, page, kPage) : ::write(fifo_, page, kPage);
    if (n == ssize_t(kPage)) readable_ = readable;
}

}  // namespace velorix::usbemu

#pragma once

#include <umockdev.h>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "VirtualReceiver.h"

namespace velorix::usbemu {

// One device node of an attached receiver, as the kernel's usbfs driver
// would serve it: the ioctls libusb makes on /dev/bus/usb/BBB/DDD are
// answered by calling the device model, never waiting.
//
// URBs on the IN endpoints become the model's reads; control transfers and
// commands on 0x01 complete at once. A URB is reapable once the model has
// completed it. The node itself is a FIFO that the emulator keeps full
// (not writable) while nothing is reapable and opens one page of when
// something is: libusb's event loop polls it for POLLOUT, so it sleeps
// until a URB completes instead of spinning on umockdev's plain file. A
// timer on umockdev's ioctl thread opens the FIFO when the model says the
// next read is due.
//
// Threads: umockdev's ioctl thread calls Ioctl and Vanished; the emulator's
// main thread calls Unplugged. One mutex guards the URBs and the FIFO.
class UsbfsNode : public std::enable_shared_from_this<UsbfsNode> {
public:
    // `fifoPath`: the node's file in the testbed, made a FIFO here.
    // `generation`: the model's bus generation this node stands for.
    UsbfsNode(std::shared_ptr<sim::VirtualReceiver> model, uint32_t generation, int devnum,
              std::string fifoPath);
    ~UsbfsNode();
    UsbfsNode(const UsbfsNode&) = delete;
    UsbfsNode& operator=(const UsbfsNode&) = delete;

    // False with `error` set when the FIFO could not be made.
    bool Ready(std::string& error) const;

    // Answers one ioctl (umockdev_ioctl_client_complete is called before it returns).
    void Ioctl(UMockdevIoctlClient* client);
    // A program opened the node (the model's trace says so).
    void Connected();
    // A client closed the node or exited: its URBs are forgotten.
    void Vanished(UMockdevIoctlClient* client);
    // The device left the bus: URBs still pending reap with -ENODEV (the model
    // ended its reads), and every later ioctl but reaping fails with ENODEV.
    void Unplugged();

    // A GObject handler for umockdev_testbed_attach_ioctl that forwards to `node`.
    static UMockdevIoctlBase* NewHandler(std::shared_ptr<UsbfsNode> node);

private:
    struct Urb {
        UMockdevIoctlClient* client = nullptr;
        UMockdevIoctlData* urb = nullptr;     // the client's struct usbdevfs_urb (referenced)
        UMockdevIoctlData* buffer = nullptr;  // its buffer (referenced), or null
        std::optional<sim::VirtualReceiver::TransferId> read;  // while the model holds it
        bool complete = false;
        int status = 0;  // 0 or -errno, as usbfs reports it
        int actual = 0;
    };
    using Lock = std::unique_lock<std::mutex>;

    // Each returns the ioctl's result and sets `error` (errno) when it is -1.
    long Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg, int& error);
    // The first completed URB of `client`, handed back; it is released by the caller.
    long Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg, int& error,
              std::optional<Urb>& reaped);
    long Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg, int& error);
    // Runs a control URB at once; its status.
    int Control(uint8_t* setupAndData, int length, int& actual);
    // Takes what the model has completed, opens or fills the FIFO and sets the timer.
    void Refresh(const Lock&);
    void Release(Urb& urb);
    void SetReadable(bool readable);
    static gboolean OnTimer(gpointer self);

    const std::shared_ptr<sim::VirtualReceiver> model_;
    const uint32_t generation_;
    const int devnum_;
    const std::string fifoPath_;
    int fifo_ = -1;  // our end of the node, non-blocking
    int fifoError_ = 0;

    std::mutex mutex_;
    std::deque<Urb> urbs_;  // submission order
    bool gone_ = false;
    bool readable_ = false;
    GMainContext* context_ = nullptr;  // the ioctl thread's, known from the first ioctl
    GSource* timer_ = nullptr;
};

}  // namespace velorix::usbemu

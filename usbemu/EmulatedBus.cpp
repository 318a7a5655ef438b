#include "EmulatedBus.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "UsbDescriptors.h"
#include "VirtualFirmware.h"

namespace velorix::usbemu {

namespace {

constexpr const char* kPidFile = "velorix-usb-emulator.pid";

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string EmulatedBus::UsbIds() {
    char ids[32];
    const sim::UsbIdentity loader = sim::LoaderIdentity(), fw = sim::DefaultFirmwareIdentity();
    std::snprintf(ids, sizeof ids, "%04x:%04x,%04x:%04x", loader.vendorId, loader.productId,
                  fw.vendorId, fw.productId);
    return ids;
}

void EmulatedBus::RemoveStale() {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(g_get_tmp_dir(), ec)) {
        if (entry.path().filename().string().rfind("umockdev.", 0) != 0) continue;
        std::ifstream in(entry.path() / kPidFile);
        pid_t pid = 0;
        if (!(in >> pid) || pid <= 0) continue;  // not ours, or being set up
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        fs::remove_all(entry.path(), ec);
    }
}

EmulatedBus::EmulatedBus(int receivers, const sim::VirtualConfig& config)
    : plugFile_(config.plugFile) {
    testbed_ = umockdev_testbed_new();
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
    std::ofstream(root_ + "/" + kPidFile) << ::getpid() << "\n";
    // Any user may be the program under test: it makes its uevent sockets here.
    ::chmod(root_.c_str(), 01777);
    for (int n = 0; n < receivers; ++n) {
        sim::VirtualConfig c = config;
        c.serial = uint16_t(config.serial + n);
        Port port;
        port.model = std::make_shared<sim::VirtualReceiver>(c);
        if (!plugFile_.empty() && Exists(plugFile_)) {
            port.plugPresent = true;
            port.model->Plug();
        }
        port.model->Poll(sim::VirtualReceiver::Clock::now());  // present from the start
        ports_.push_back(std::move(port));
        if (ports_.back().model->Attached()) Attach(n);
    }
}

EmulatedBus::~EmulatedBus() {
    g_object_unref(testbed_);
    for (UMockdevIoctlBase* handler : handlers_)
        g_object_unref(handler);
}

bool EmulatedBus::Ready(std::string& error) const {
    error = error_;
    return error_.empty();
}

void EmulatedBus::Tick() {
    const auto now = sim::VirtualReceiver::Clock::now();
    const bool plugged = !plugFile_.empty() && Exists(plugFile_);
    for (int n = 0; n < int(ports_.size()); ++n) {
        Port& port = ports_[size_t(n)];
        // Edge-triggered, as on the virtual transport.
        if (!plugFile_.empty() && plugged != port.plugPresent) {
            port.plugPresent = plugged;
            plugged ? port.model->Plug() : port.model->Unplug();
        }
        for (const auto event : port.model->Poll(now)) {
            if (event == sim::VirtualReceiver::BusEvent::Arrival)
                Attach(n);
            else
                Detach(n);
        }
    }
}

void EmulatedBus::Attach(int n) {
    Port& port = ports_[size_t(n)];
    const int devnum = nextDevnum_;
    nextDevnum_ = nextDevnum_ >= 127 ? 2 : nextDevnum_ + 1;
    port.devnode = DeviceNode(devnum);
    const std::string file = root_ + port.devnode;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    // The node and its handler are in place before the uevent announces them,
    // so no program opens the node without them.
    port.node = std::make_shared<UsbfsNode>(port.model, port.model->Generation(), devnum, file);
    if (std::string why; !port.node->Ready(why)) {
        error_ = why;
        return;
    }
    UMockdevIoctlBase* handler = UsbfsNode::NewHandler(port.node);
    handlers_.push_back(handler);
    GError* err = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, port.devnode.c_str(), handler, &err)) {
        error_ = std::string("cannot serve ") + port.devnode + ": " + err->message;
        g_error_free(err);
        return;
    }
    ::chmod((root_ + "/ioctl" + port.devnode).c_str(), 0777);
    const std::string sysfs =
        SysfsDescription(port.model->Identity(), port.model->FirmwareRunning(), n, devnum);
    // Announces the device with an "add" uevent.
    if (!umockdev_testbed_add_from_string(testbed_, sysfs.c_str(), &err)) {
        error_ = std::string("cannot add ") + port.devnode + ": " + err->message;
        g_error_free(err);
    }
}

void EmulatedBus::Detach(int n) {
    Port& port = ports_[size_t(n)];
    if (!port.node) return;
    // Pending URBs reap with -ENODEV: no POLLERR tells libusb that the node is gone.
    port.node->Unplugged();
    port.node.reset();
    const std::string sysfs = SysfsPath(n);
    // The uevent is made from the sysfs entry: it goes out before the entry does.
    umockdev_testbed_uevent(testbed_, sysfs.c_str(), "remove");
    umockdev_testbed_detach_ioctl(testbed_, port.devnode.c_str(), nullptr);
    umockdev_testbed_remove_device(testbed_, sysfs.c_str());
    ::unlink((root_ + port.devnode).c_str());
}

}  // namespace velorix::usbemu

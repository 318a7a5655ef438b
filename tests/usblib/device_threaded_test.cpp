// The library as a whole: its exported symbols, version, open and close, the
// name exports, and load/unload tearing everything down.
#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "TempDir.h"
#include "UsbRig.h"
#include "WaitUntil.h"

namespace velorix::test {
namespace {

// Defined symbols of the library's dynamic symbol table, read from the ELF file.
std::set<std::string> ExportedSymbols(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<std::string> names;
    if (file.size() < sizeof(Elf64_Ehdr)) return names;
    const auto* eh = reinterpret_cast<const Elf64_Ehdr*>(file.data());
    const auto* sh = reinterpret_cast<const Elf64_Shdr*>(file.data() + eh->e_shoff);
    for (int i = 0; i < eh->e_shnum; ++i) {
        if (sh[i].sh_type != SHT_DYNSYM) continue;
        const char* strings = file.data() + sh[sh[i].sh_link].sh_offset;
        const auto* sym = reinterpret_cast<const Elf64_Sym*>(file.data() + sh[i].sh_offset);
        const size_t count = sh[i].sh_size / sizeof(Elf64_Sym);
        for (size_t k = 1; k < count; ++k) {
            const int bind = ELF64_ST_BIND(sym[k].st_info);
            if (sym[k].st_shndx == SHN_UNDEF ||
                (bind != STB_GLOBAL && bind != STB_WEAK && bind != STB_GNU_UNIQUE))
                continue;
            names.insert(strings + sym[k].st_name);
        }
    }
    return names;
}

int ThreadCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

TEST(UsbLibraryExports, ExactlyTheFifteenFunctions) {
    const std::set<std::string> expected = {"Open",           "Close",
                                            "GetDeviceName",  "GetFriendlyDeviceName",
                                            "GetDLLVersion",  "FirmwareDownload",
                                            "FpgaConfig",     "SetAttenuator",
                                            "SetPreselector", "Sio",
                                            "GetInputData",   "StartAsyncInput",
                                            "StopAsyncInput", "EepromRead",
                                            "EepromWrite"};
    EXPECT_EQ(ExportedSymbols(UsbLibrary::Path()), expected);

    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    // Internals are not reachable, neither by plain nor by mangled names.
    void* handle = dlopen(UsbLibrary::Path().c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    for (const char* internal :
         {"_ZN7velorix3usb30CreateTransportFromEnvironmentEv", "_ZN7velorix3usb9UsbDevice4OpenEv",
          "_ZN7velorix3usb12ParseHexLineESt17basic_string_viewIcSt11char_traitsIcEERNS0_"
          "14FirmwareRecordE",
          "kBuiltInFirmware", "_ZN7velorix3usb16kBuiltInFirmwareE", "_Open@0"})
        EXPECT_EQ(dlsym(handle, internal), nullptr) << internal;
    dlclose(handle);
}

TEST(UsbLibrary, VersionIsOneDotOne) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    EXPECT_EQ(rig.usb().GetDLLVersion(), 0x00010001u);
}

TEST(UsbLibrary, SecondOpenAnswersAtOnceWithoutEnumerating) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    EXPECT_EQ(rig.usb().Open(), 1);
    EXPECT_EQ(rig.usb().Open(), 1);
    EXPECT_EQ(rig.TraceLines("open ").size(), 1u);
}

TEST(UsbLibrary, OpenWithoutReceiverFailsQuietly) {
    VirtualRig::Options o;
    o.plugged = false;
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    StderrCapture err;
    EXPECT_EQ(rig.usb().Open(), 0);
    EXPECT_EQ(err.Text(), "");
    // Plugged in, the retry succeeds.
    rig.Plug();
    rig.WaitForTrace("attach 1209:0001");
    EXPECT_EQ(rig.usb().Open(), 1);
}

TEST(UsbLibrary, NamesComeFromTheRunningFirmware) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    EXPECT_STREQ(rig.usb().GetDeviceName(), "");  // the bare microcontroller has no strings
    ASSERT_EQ(rig.usb().FirmwareDownload(nullptr), 0);
    EXPECT_STREQ(rig.usb().GetDeviceName(), "Velorix virtual receiver");
    EXPECT_STREQ(rig.usb().GetFriendlyDeviceName(), "velorix");
}

TEST(UsbLibrary, LongNamesAreCutAt255Characters) {
    VirtualRig::Options o;
    o.env["VELORIX_VIRTUAL_PRODUCT"] = std::string(256, 'p');
    o.env["VELORIX_VIRTUAL_MANUFACTURER"] = std::string(300, 'm');
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    EXPECT_EQ(std::string(rig.usb().GetDeviceName()), std::string(255, 'p'));
    EXPECT_EQ(std::string(rig.usb().GetFriendlyDeviceName()), std::string(255, 'm'));
}

TEST(UsbLibrary, CloseSendsShutdownOnlyWhenTheFirmwareRuns) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    EXPECT_TRUE(rig.usb().Close());
    EXPECT_TRUE(rig.TraceLines("out 01").empty());

    ASSERT_EQ(rig.BringUp(), 0);
    EXPECT_TRUE(rig.usb().Close());
    const auto out = rig.TraceLines("out 01");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], "out 01 1: 08");
    // Closed: the handle is gone until the next Open.
    uint8_t buffer[4];
    EXPECT_EQ(rig.usb().EepromRead(buffer, 8, 4), 0);
    EXPECT_EQ(rig.usb().Open(), 1);
    EXPECT_EQ(rig.usb().EepromRead(buffer, 8, 4), 1);
}

TEST(UsbLibrary, FailedNotificationRegistrationIsReportedAndOpenStillSucceeds) {
    VirtualRig::Options o;
    o.faults = "no-notifications";
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    StderrCapture err;
    EXPECT_EQ(rig.usb().Open(), 1);
    EXPECT_EQ(rig.usb().Open(), 1);  // reported once
    EXPECT_EQ(err.Text(),
              "Velorixusb.RegisterDeviceInterface(): RegisterDeviceNotification failed\n");
}

// The libusb backend (no VELORIX_DEVICE): without ids it can find nothing and
// says why once, naming where the library looked for the owner's usb-ids; with
// ids of a device that is not attached it fails quietly.
TEST(LibusbBackend, OpenWithoutIdsSaysWhyOnce) {
    unsetenv("VELORIX_DEVICE");
    unsetenv("VELORIX_USB_IDS");
    const TempDir data("ids");
    setenv("VELORIX_DATA_DIR", data.path().c_str(), 1);
    StderrCapture err;
    UsbLibrary usb;
    ASSERT_EQ(usb.Load(), "");
    EXPECT_EQ(usb.Open(), 0);
    EXPECT_EQ(usb.Open(), 0);
    EXPECT_EQ(usb.FirmwareDownload(nullptr), 2);
    usb.Unload();
    unsetenv("VELORIX_DATA_DIR");
    const std::string text = err.Text();
    // The library's own directory (the tree's bin/) is the last it looked in.
    const std::string bin = std::filesystem::path(UsbLibrary::Path()).parent_path().string();
    EXPECT_EQ(text.rfind("velorixusb: no receiver can be looked for: usb-ids not found\n"
                         "looked in: " +
                             data.path().string() + ", ",
                         0),
              0u)
        << text;
    EXPECT_EQ(text.substr(text.size() - bin.size() - 1), bin + "\n") << text;
}

TEST(LibusbBackend, OpenWithIdsOfAnAbsentDeviceFailsQuietly) {
    unsetenv("VELORIX_DEVICE");
    setenv("VELORIX_USB_IDS", "1209:0f0f", 1);
    StderrCapture err;
    UsbLibrary usb;
    ASSERT_EQ(usb.Load(), "");
    EXPECT_EQ(usb.Open(), 0);
    EXPECT_STREQ(usb.GetDeviceName(), "");
    uint8_t b[4];
    EXPECT_EQ(usb.EepromRead(b, 8, 4), 0);
    usb.Unload();
    unsetenv("VELORIX_USB_IDS");
    EXPECT_EQ(err.Text(), "");
}

void CountBlock(unsigned char*, void* user) {
    ++*static_cast<std::atomic<int>*>(user);
}

TEST(UsbLibrary, UnloadEndsEveryThreadAndUnmapsTheLibrary) {
    // A first thread makes the runtime start its own helpers (ThreadSanitizer has one).
    std::thread([] {}).join();
    const int before = ThreadCount();
    std::atomic<int> blocks{0};
    {
        VirtualRig rig;
        ASSERT_EQ(rig.LoadError(), "");
        ASSERT_EQ(rig.BringUpWithFpga(2), 0);
        const uint8_t run[5] = {0x03, 0, 0, 0, 0};
        rig.usb().Sio(run, 5);
        ASSERT_EQ(rig.usb().StartAsyncInput(65280, &CountBlock, &blocks), 1);
        WaitUntil([&] { return blocks.load() > 0; });
        EXPECT_GT(ThreadCount(), before);
        // Unloaded while reading: the library stops its reader itself.
        rig.Unload();
        EXPECT_EQ(dlopen(UsbLibrary::Path().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
        EXPECT_EQ(ThreadCount(), before);
        const int after = blocks.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(blocks.load(), after);
    }
}

}  // namespace
}  // namespace velorix::test

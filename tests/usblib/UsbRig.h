#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "TempDir.h"
#include "UsbLibrary.h"

namespace velorix::test {

// Directory of the running test program: the tree's bin/.
std::string BinDir();

// The virtual receiver's bitstream of rate index 0-2 (125, 250, 500 kHz), without ".sbs".
std::string BitstreamPath(int rateIndex);

// libvelorixusb.so loaded by the program's own binding (from
// VELORIX_USB_LIBRARY or the tree's bin/), its exports called directly: the
// tests see exactly what the library answers, without the binding's stand-in
// answers for missing exports.
class UsbLibrary : public UsbExports {
public:
    static std::string Path() { return velorix::UsbLibrary::DefaultPath(); }
    // Empty on success, else what went wrong.
    std::string Load();
    void Unload();

private:
    velorix::UsbLibrary binding_;
};

// One virtual receiver behind a freshly loaded library, in a private temporary
// folder with a plug file (the receiver is attached while it exists) and a trace
// of everything the device received. Restores the environment when destroyed.
class VirtualRig {
public:
    struct Options {
        bool plugged = true;
        std::string faults;                      // VELORIX_VIRTUAL_FAULTS
        std::map<std::string, std::string> env;  // further variables
    };

    VirtualRig() : VirtualRig(Options{}) {}
    explicit VirtualRig(const Options& options);
    ~VirtualRig();
    VirtualRig(const VirtualRig&) = delete;
    VirtualRig& operator=(const VirtualRig&) = delete;

    const std::string& LoadError() const { return loadError_; }
    UsbLibrary& usb() { return usb_; }

    // Open, then the built-in firmware; the download's result.
    int BringUp();
    // BringUp, then the bitstream of `rateIndex` with its key; the configuration's
    // result, or 100 + the download's result when that failed.
    int BringUpWithFpga(int rateIndex = 0);

    std::string Path(const std::string& name) const { return dir_ / name; }
    void Unplug();
    void Plug();

    std::vector<std::string> Trace() const;
    // Trace lines starting with `prefix`.
    std::vector<std::string> TraceLines(const std::string& prefix) const;
    // Waits until a trace line equals `line`, however long that takes.
    void WaitForTrace(const std::string& line) const;
    // Forgets the trace so far (lines before are not returned any more).
    void MarkTrace();

    void Unload() { usb_.Unload(); }

private:
    test::TempDir dir_{"usb"};
    std::vector<std::string> setVars_;
    UsbLibrary usb_;
    std::string loadError_;
    size_t traceMark_ = 0;
};

// Collects what is written to stderr (fd 2) between construction and Text().
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    std::string Text();

private:
    int saved_ = -1;
    std::string path_;
    bool done_ = false;
};

// Bytes <-> Intel HEX.
std::vector<std::string> ReadLines(const std::string& path);
void WriteLines(const std::string& path, const std::vector<std::string>& lines);
std::string HexRecord(int type, int address, const std::vector<uint8_t>& data);
// Memory image (address -> byte) of the data records of a HEX file.
std::map<int, uint8_t> HexImage(const std::vector<std::string>& lines);

// The fields of a trace line "out 01 N: b0 b1 ...": the bytes.
std::vector<uint8_t> TraceBytes(const std::string& line);

}  // namespace velorix::test

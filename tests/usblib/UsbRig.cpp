#include "UsbRig.h"

#include "BitstreamKeys.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace velorix::test {

std::string BinDir() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string UsbLibrary::Load() {
    std::string error;
    if (!binding_.Load(Path(), error)) return error;
    static_cast<UsbExports&>(*this) = binding_.Exports();
    const int missing = 15 - binding_.BoundCount();
    return missing == 0 ? "" : std::to_string(missing) + " of the 15 exports missing";
}

void UsbLibrary::Unload() {
    binding_.Unload();
    static_cast<UsbExports&>(*this) = UsbExports{};
}

VirtualRig::VirtualRig(const Options& options) {
    std::map<std::string, std::string> env = options.env;
    env["VELORIX_DEVICE"] = "virtual";
    env["VELORIX_VIRTUAL_TRACE"] = Path("trace.txt");
    env["VELORIX_VIRTUAL_PLUG"] = Path("plugged");
    // The frame counter of the test tone proves the stream whole.
    if (!env.count("VELORIX_SIM_SOURCE")) env["VELORIX_SIM_SOURCE"] = "testtone";
    if (!options.faults.empty()) env["VELORIX_VIRTUAL_FAULTS"] = options.faults;
    for (const auto& [name, value] : env) {
        setenv(name.c_str(), value.c_str(), 1);
        setVars_.push_back(name);
    }
    if (options.plugged) Plug();
    loadError_ = usb_.Load();
}

VirtualRig::~VirtualRig() {
    usb_.Unload();
    for (const std::string& name : setVars_)
        unsetenv(name.c_str());
}

int VirtualRig::BringUp() {
    if (usb_.Open() != 1) return -1;
    return usb_.FirmwareDownload(nullptr);
}

std::string BitstreamPath(int rateIndex) {
    static const char* const names[3] = {"velorix125k24v11", "velorix250k24v11",
                                         "velorix500k24v11"};
    return BinDir() + "/virtual/" + names[rateIndex];
}

int VirtualRig::BringUpWithFpga(int rateIndex) {
    const int r = BringUp();
    if (r != 0) return 100 + r;
    return usb_.FpgaConfig(BitstreamPath(rateIndex).c_str(), kBitstreamKeys[rateIndex]);
}

void VirtualRig::Unplug() {
    std::filesystem::remove(Path("plugged"));
}

void VirtualRig::Plug() {
    std::ofstream(Path("plugged")) << "plugged\n";
}

std::vector<std::string> VirtualRig::Trace() const {
    std::vector<std::string> lines = ReadLines(Path("trace.txt"));
    if (traceMark_ >= lines.size()) return {};
    return {lines.begin() + long(traceMark_), lines.end()};
}

void VirtualRig::MarkTrace() {
    traceMark_ = ReadLines(Path("trace.txt")).size();
}

std::vector<std::string> VirtualRig::TraceLines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : Trace())
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

void VirtualRig::WaitForTrace(const std::string& line) const {
    for (;;) {
        for (const std::string& l : Trace())
            if (l == line) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

StderrCapture::StderrCapture() {
    char tmpl[] = "/tmp/velorix-stderr-XXXXXX";
    const int fd = mkstemp(tmpl);
    path_ = tmpl;
    std::fflush(stderr);
    saved_ = dup(2);
    dup2(fd, 2);
    close(fd);
}

std::string StderrCapture::Text() {
    if (!done_) {
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        done_ = true;
    }
    std::ifstream in(path_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

StderrCapture::~StderrCapture() {
    Text();
    std::remove(path_.c_str());
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path);
    for (const std::string& l : lines)
        out << l << "\n";
}

std::string HexRecord(int type, int address, const std::vector<uint8_t>& data) {
    unsigned sum =
        unsigned(data.size()) + unsigned(address >> 8) + unsigned(address & 0xFF) + unsigned(type);
    char buf[16];
    std::snprintf(buf, sizeof buf, ":%02X%04X%02X", unsigned(data.size()), unsigned(address),
                  unsigned(type));
    std::string line = buf;
    for (uint8_t b : data) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        line += buf;
        sum += b;
    }
    std::snprintf(buf, sizeof buf, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + buf;
}

std::map<int, uint8_t> HexImage(const std::vector<std::string>& lines) {
    std::map<int, uint8_t> image;
    for (const std::string& l : lines) {
        if (l.size() < 11 || l[0] != ':') continue;
        const int count = std::stoi(l.substr(1, 2), nullptr, 16);
        const int address = std::stoi(l.substr(3, 4), nullptr, 16);
        const int type = std::stoi(l.substr(7, 2), nullptr, 16);
        if (type != 0) continue;
        for (int i = 0; i < count; ++i)
            image[address + i] = uint8_t(std::stoi(l.substr(size_t(9 + 2 * i), 2), nullptr, 16));
    }
    return image;
}

std::vector<uint8_t> TraceBytes(const std::string& line) {
    std::vector<uint8_t> bytes;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return bytes;
    std::istringstream in(line.substr(colon + 1));
    for (std::string b; in >> b;)
        bytes.push_back(uint8_t(std::stoi(b, nullptr, 16)));
    return bytes;
}

}  // namespace velorix::test

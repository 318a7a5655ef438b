#include "UsbLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#include "CheckedFile.h"

namespace velorix {

namespace {

template <typename Fn>
void Resolve(void* handle, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(handle, name));
}

}  // namespace

UsbLibrary::~UsbLibrary() {
    Unload();
}

UsbLibrary::Location UsbLibrary::Locate(const files::ProgramPlace& place) {
    if (const char* p = std::getenv("VELORIX_USB_LIBRARY"); p != nullptr && *p != '\0')
        return {p, {std::filesystem::path(p).parent_path().string()}};
    std::vector<std::string> dirs = files::LibraryDirectories(place);
    std::string path =
        files::FindFile(dirs, kUsbLibraryName)
            .value_or((std::filesystem::path(dirs.front()) / kUsbLibraryName).string());
    return {std::move(path), std::move(dirs)};
}

std::string UsbLibrary::DefaultPath() {
    return Locate(files::ExecutablePlace()).path;
}

bool UsbLibrary::Load(const std::string& path, std::string& error) {
    Unload();
    // dlopen would wait on a FIFO for ever; a path without a slash is a name
    // for the loader's own search.
    files::FileProblem problem;
    if (path.find('/') != std::string::npos && !files::OpenInput(path, files::kNoLimit, &problem) &&
        problem.kind != files::FileProblem::Kind::System) {
        error = problem.Describe(path);
        return false;
    }
    dlerror();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* text = dlerror();
        error = text ? text : (path + ": cannot be loaded");
        return false;
    }
    // Resolved in the library's documented order.
    Resolve(handle_, "Open", fn_.Open);
    Resolve(handle_, "Close", fn_.Close);
    Resolve(handle_, "FirmwareDownload", fn_.FirmwareDownload);
    Resolve(handle_, "FpgaConfig", fn_.FpgaConfig);
    Resolve(handle_, "GetDeviceName", fn_.GetDeviceName);
    Resolve(handle_, "GetFriendlyDeviceName", fn_.GetFriendlyDeviceName);
    Resolve(handle_, "SetAttenuator", fn_.SetAttenuator);
    Resolve(handle_, "SetPreselector", fn_.SetPreselector);
    Resolve(handle_, "Sio", fn_.Sio);
    Resolve(handle_, "GetInputData", fn_.GetInputData);
    Resolve(handle_, "StartAsyncInput", fn_.StartAsyncInput);
    Resolve(handle_, "StopAsyncInput", fn_.StopAsyncInput);
    Resolve(handle_, "EepromRead", fn_.EepromRead);
    Resolve(handle_, "EepromWrite", fn_.EepromWrite);
    Resolve(handle_, "GetDLLVersion", fn_.GetDLLVersion);
    return true;
}

void UsbLibrary::Unload() {
    fn_ = UsbExports{};
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

int UsbLibrary::BoundCount() const {
    const void* slots[] = {
        reinterpret_cast<const void*>(fn_.Open),
        reinterpret_cast<const void*>(fn_.Close),
        reinterpret_cast<const void*>(fn_.FirmwareDownload),
        reinterpret_cast<const void*>(fn_.FpgaConfig),
        reinterpret_cast<const void*>(fn_.GetDeviceName),
        reinterpret_cast<const void*>(fn_.GetFriendlyDeviceName),
        reinterpret_cast<const void*>(fn_.SetAttenuator),
        reinterpret_cast<const void*>(fn_.SetPreselector),
        reinterpret_cast<const void*>(fn_.Sio),
        reinterpret_cast<const void*>(fn_.GetInputData),
        reinterpret_cast<const void*>(fn_.StartAsyncInput),
        reinterpret_cast<const void*>(fn_.StopAsyncInput),
        reinterpret_cast<const void*>(fn_.EepromRead),
        reinterpret_cast<const void*>(fn_.EepromWrite),
        reinterpret_cast<const void*>(fn_.GetDLLVersion),
    };
    int n = 0;
    for (const void* s : slots)
        n += s != nullptr;
    return n;
}

int UsbLibrary::Open() {
    return fn_.Open ? fn_.Open() : 0;
}
int UsbLibrary::Close() {
    return fn_.Close ? fn_.Close() : 0;
}
int UsbLibrary::FirmwareDownload(const char* hexPath) {
    return fn_.FirmwareDownload ? fn_.FirmwareDownload(hexPath) : -1;
}
int UsbLibrary::FpgaConfig(const char* name, const unsigned char* key) {
    return fn_.FpgaConfig ? fn_.FpgaConfig(name, key) : -1;
}
int UsbLibrary::SetAttenuator(int step) {
    return fn_.SetAttenuator ? fn_.SetAttenuator(step) : 0;
}
int UsbLibrary::SetPreselector(int filter) {
    return fn_.SetPreselector ? fn_.SetPreselector(filter) : 0;
}
long long UsbLibrary::Sio(const unsigned char* bytes, int length) {
    return fn_.Sio ? static_cast<long long>(fn_.Sio(bytes, length)) : -1;
}
int UsbLibrary::StartAsyncInput(int blockBytes, UsbInputCallback callback, void* user) {
    return fn_.StartAsyncInput ? fn_.StartAsyncInput(blockBytes, callback, user) : 0;
}
int UsbLibrary::StopAsyncInput() {
    return fn_.StopAsyncInput ? fn_.StopAsyncInput() : 0;
}
int UsbLibrary::EepromRead(unsigned char* buffer, int address, int length) {
    return fn_.EepromRead ? fn_.EepromRead(buffer, address, length) : 0;
}
bool UsbLibrary::DevicePresent() const {
    const char* name = fn_.GetDeviceName ? fn_.GetDeviceName() : nullptr;
    return name != nullptr && *name != '\0';
}
std::uint32_t UsbLibrary::GetDLLVersion() {
    return fn_.GetDLLVersion ? fn_.GetDLLVersion() : 0;
}

}  // namespace velorix

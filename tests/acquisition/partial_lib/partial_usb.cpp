// A receiver library with only some of the exports, for the binding tests.
#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) int Open() {
    return 1;
}
__attribute__((visibility("default"))) std::uint32_t GetDLLVersion() {
    return 0x00010001;
}
__attribute__((visibility("default"))) int FirmwareDownload(const char* path) {
    return path == nullptr ? 0 : 1;
}
}

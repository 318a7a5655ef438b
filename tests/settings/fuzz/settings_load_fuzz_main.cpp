// libFuzzer entry for the settings store's load (build-fuzz/ tree only).
#include <cstddef>
#include <cstdint>

#include "../SettingsFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velorix::test::FuzzSettingsLoad(data, size);
    return 0;
}

#pragma once

#include <cstddef>
#include <cstdint>

namespace velorix::test {

// Loads arbitrary bytes as the settings file and checks what the store
// promises: every value within its key's range, and a load of what the store
// then saves gives the same saved values again. Aborts on a broken
// promise. Works in a private directory (VELORIX_CONFIG_DIR). Shared by the
// libFuzzer target and the corpus replay test.
void FuzzSettingsLoad(const std::uint8_t* data, std::size_t size);

}  // namespace velorix::test

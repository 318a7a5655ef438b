#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace velorix::test {

// Feeds every file of a fuzz target's committed seed corpus to its checks
// (which abort on a broken promise); returns the number of files.
inline int ReplayCorpus(const char* dir, void (*check)(const std::uint8_t*, std::size_t)) {
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(e.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        check(bytes.data(), bytes.size());
        ++files;
    }
    return files;
}

}  // namespace velorix::test

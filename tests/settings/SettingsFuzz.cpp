#include "SettingsFuzz.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace velorix::test {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "settings fuzz: %s\n", what.c_str());
    std::abort();
}

// A fresh directory for every file written: Qt keeps parsed files in a cache
// that a rewrite within the same instant and size would not refresh. In memory
// where the machine has it, since every save is synced; removed at exit.
std::string FreshStore() {
    static const struct Root {
        fs::path path =
            (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
            ("velorix-fuzz-" + std::to_string(getpid()));
        ~Root() { fs::remove_all(path); }
    } root;
    static unsigned long round = 0;
    fs::remove_all(root.path / std::to_string(round));
    const fs::path dir = root.path / std::to_string(++round);
    fs::create_directories(dir);
    setenv("VELORIX_CONFIG_DIR", dir.c_str(), 1);
    const std::string path = SettingsStore::FilePath();
    fs::create_directories(fs::path(path).parent_path());
    return path;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<int> Values(SettingsRecord& r) {
    std::vector<int> v;
    ForEachSettingsKey(r, [&](const SettingsKey& k) {
        if (*k.value < k.minValue || *k.value > k.maxValue)
            Broken(k.name + " = " + std::to_string(*k.value) + " out of its range");
        if (k.saved) v.push_back(*k.value);
    });
    return v;
}

}  // namespace

void FuzzSettingsLoad(const std::uint8_t* data, std::size_t size) {
    const std::string first = FreshStore();
    std::ofstream(first, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
    SettingsRecord loaded;
    SettingsStore::Load(loaded);
    const std::vector<int> values = Values(loaded);
    // A damaged file read is no failed save: the save is judged by its write.
    if (!SettingsStore::Save(loaded)) Broken("the save failed");
    const std::string saved = ReadText(first);

    const std::string second = FreshStore();
    std::ofstream(second, std::ios::binary) << saved;
    SettingsRecord again;
    SettingsStore::Load(again);
    if (Values(again) != values) Broken("the saved file loads other values");
    unsetenv("VELORIX_CONFIG_DIR");
}

}  // namespace velorix::test

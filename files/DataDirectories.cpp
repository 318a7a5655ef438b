#include "DataDirectories.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "InstallLayout.h"

namespace velorix::files {

namespace {

namespace fs = std::filesystem;

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool Absolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

// Adds `path` in its plain form ("a/./b/../c/" is "a/c") unless it is there already.
void Add(std::vector<std::string>& dirs, const fs::path& path) {
    if (path.empty()) return;
    fs::path plain = path.lexically_normal();
    if (!plain.has_filename() && plain.has_relative_path()) plain = plain.parent_path();
    const std::string text = plain.string();
    for (const std::string& d : dirs)
        if (d == text) return;
    dirs.push_back(text);
}

std::string SharedObjectDir(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return fs::path(info.dli_fname).parent_path().string();
}

}  // namespace

ProgramPlace ExecutablePlace() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return {ec ? std::string() : exe.parent_path().string(), layout::kBinToData,
            layout::kBinToLibrary, "."};
}

ProgramPlace ModulePlace(const void* address) {
    // The build tree mirrors the install: bin/SoapySDR/modules0.8.
    return {SharedObjectDir(address), layout::kModuleToData, layout::kModuleToLibrary, "../.."};
}

ProgramPlace LibraryPlace(const void* address) {
    return {SharedObjectDir(address), layout::kLibraryToData, ".", "."};
}

SearchEnvironment SearchEnvironment::FromProcess() {
    return {Variable("VELORIX_DATA_DIR"), Variable("XDG_DATA_HOME"), Variable("HOME"),
            Variable("XDG_DATA_DIRS")};
}

std::vector<std::string> DataDirectories(const SearchEnvironment& env, const ProgramPlace& place) {
    std::vector<std::string> dirs;
    Add(dirs, env.dataDir);
    if (Absolute(env.xdgDataHome))
        Add(dirs, fs::path(env.xdgDataHome) / "velorix");
    else if (Absolute(env.home))
        Add(dirs, fs::path(env.home) / ".local/share/velorix");
    std::string system = env.xdgDataDirs;
    if (system.find_first_not_of(':') == std::string::npos) system = "/usr/local/share:/usr/share";
    for (std::size_t at = 0; at <= system.size();) {
        const std::size_t end = std::min(system.find(':', at), system.size());
        const std::string entry = system.substr(at, end - at);
        if (Absolute(entry)) Add(dirs, fs::path(entry) / "velorix");
        at = end + 1;
    }
    if (!place.dir.empty()) {
        Add(dirs, fs::path(place.dir) / place.toData);
        Add(dirs, fs::path(place.dir) / place.toBuild);
    }
    return dirs;
}

std::vector<std::string> DataDirectories(const ProgramPlace& place) {
    return DataDirectories(SearchEnvironment::FromProcess(), place);
}

std::vector<std::string> VirtualDirectories(const std::vector<std::string>& dirs) {
    std::vector<std::string> out;
    for (const std::string& d : dirs)
        Add(out, fs::path(d) / "virtual");
    return out;
}

std::vector<std::string> LibraryDirectories(const ProgramPlace& place) {
    std::vector<std::string> dirs;
    Add(dirs, layout::kLibraryDir);
    if (!place.dir.empty()) {
        Add(dirs, fs::path(place.dir) / place.toLibrary);
        Add(dirs, fs::path(place.dir) / place.toBuild);
    }
    return dirs;
}

std::optional<std::string> FindFile(const std::vector<std::string>& dirs, const std::string& name) {
    for (const std::string& d : dirs) {
        const std::string path = (fs::path(d) / name).string();
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) return path;
    }
    return std::nullopt;
}

std::string LookedIn(const std::vector<std::string>& dirs) {
    std::string text = "looked in: ";
    for (std::size_t i = 0; i < dirs.size(); ++i)
        text.append(i ? ", " : "").append(dirs[i]);
    return text;
}

std::string NotFound(const std::string& name, const std::vector<std::string>& dirs) {
    return name + " not found\n" + LookedIn(dirs);
}

}  // namespace velorix::files

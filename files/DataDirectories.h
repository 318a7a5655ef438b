#pragma once

#include <optional>
#include <string>
#include <vector>

// Where the programs, the SoapySDR module and the receiver library find what
// is supplied at run time: the receiver owner's firmware, bitstreams, keys and
// USB ids, the virtual receiver's own files, the demo station lists and the
// udev template; and where the programs find the receiver library.
//
// The data directories, in the order they are searched:
//   1. VELORIX_DATA_DIR;
//   2. $XDG_DATA_HOME/velorix (default ~/.local/share/velorix);
//   3. velorix under each of $XDG_DATA_DIRS (default /usr/local/share:/usr/share);
//   4. the installed data directory relative to the file itself (any prefix);
//   5. the build tree's bin/, where the build leaves everything that runs.
// The owner's files lie in them directly; the virtual receiver's in their
// virtual/ folders, so that neither is ever taken for the other.
//
// The look-up only finds names: the file found is opened through the rules of
// CheckedFile.h, so what stands at a name but cannot be read is reported, not
// passed over.
namespace velorix::files {

// Where one of velorix's files lies, and how the installed layout leads from
// there to the data and to the receiver library.
struct ProgramPlace {
    std::string dir;        // the file's directory; empty when it is unknown
    std::string toData;     // installed: from `dir` to share/velorix
    std::string toLibrary;  // installed: from `dir` to the library's private directory
    std::string toBuild;    // in the build tree: from `dir` to bin/
};

// The running program, from /proc/self/exe.
ProgramPlace ExecutablePlace();
// The SoapySDR module, or the receiver library, holding `address`.
ProgramPlace ModulePlace(const void* address);
ProgramPlace LibraryPlace(const void* address);

// The variables the search reads.
struct SearchEnvironment {
    std::string dataDir;      // VELORIX_DATA_DIR
    std::string xdgDataHome;  // XDG_DATA_HOME
    std::string home;         // HOME
    std::string xdgDataDirs;  // XDG_DATA_DIRS
    static SearchEnvironment FromProcess();
};

// The data directories in search order, each once, with "." and ".." taken
// out. XDG paths that are not absolute are ignored, as XDG asks.
std::vector<std::string> DataDirectories(const SearchEnvironment& env, const ProgramPlace& place);
std::vector<std::string> DataDirectories(const ProgramPlace& place);

// The virtual receiver's folder in each of `dirs`.
std::vector<std::string> VirtualDirectories(const std::vector<std::string>& dirs);

// Where the receiver library is looked for after VELORIX_USB_LIBRARY: the
// private directory the build was configured for, the same relative to
// `place`, then the build tree.
std::vector<std::string> LibraryDirectories(const ProgramPlace& place);

// `name` in the first of `dirs` where anything stands at that name.
std::optional<std::string> FindFile(const std::vector<std::string>& dirs, const std::string& name);

// "looked in: DIR, DIR, ..."
std::string LookedIn(const std::vector<std::string>& dirs);
// "NAME not found\nlooked in: DIR, DIR, ..."
std::string NotFound(const std::string& name, const std::vector<std::string>& dirs);

}  // namespace velorix::files

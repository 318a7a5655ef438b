#pragma once

#include <string>
#include <vector>

#include "SettingsRecord.h"

namespace velorix {

// The per-user settings store: an INI file under organisation
// "Tessaline s.r.l.", application "velorix", group "Beta 0.31".
// VELORIX_CONFIG_DIR, when set, replaces the user's configuration
// directory, so tests never touch the user's own settings.
//
// Call from the user-interface thread only, before streaming starts and
// after it ends: Qt's settings are not touched by any streaming thread.
class SettingsStore {
public:
    // Reads every key in store order; a missing or unreadable value gives the
    // default, an out-of-range one is clamped, and a combination of keys that
    // cannot work together is mended (SettingsRecord::MendCombination).
    // Derived fields follow. A file in the store's place that is no regular
    // file, or is over 1 MB, is not read: every key gets its default. Returns
    // what the user should hear of, one text each: such a file, each mend.
    static std::vector<std::string> Load(SettingsRecord& record);
    // Writes every saved key in store order (MainFFTIdx is never written).
    // False when the file was not written: the store's status after the
    // write, a file that is not there afterwards, or no regular file in its
    // place.
    static bool Save(SettingsRecord& record);
    // Path of the INI file in use.
    static std::string FilePath();
    // Why the file in the store's place cannot be read as the store, as
    // "PATH: why" (a directory, device or pipe, over 1 MB, unreadable, a
    // regular file in place of its directory), or empty when it can: a
    // missing file can, it gives the defaults. Load and Save refuse what it
    // names without handing it to Qt.
    static std::string FileProblem();
};

}  // namespace velorix

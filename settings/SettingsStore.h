#pragma once

#include <string>

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
    // default, an out-of-range one is clamped. Derived fields follow.
    static void Load(SettingsRecord& record);
    // Writes every saved key in store order (MainFFTIdx is never written).
    static bool Save(SettingsRecord& record);
    // Path of the INI file in use.
    static std::string FilePath();
};

}  // namespace velorix

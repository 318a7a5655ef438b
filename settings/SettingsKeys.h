#pragma once

#include <functional>
#include <string>

#include "SettingsRecord.h"

namespace velorix {

// One persistent key: its stored name, the record field, its default, its
// valid range and whether it is written back at exit.
struct SettingsKey {
    std::string name;
    int* value;
    int defaultValue;
    int minValue;
    int maxValue;
    bool saved;
};

// Calls `visit` for every key of `record` in store order: the scalar keys,
// the two-index families named "%s%d%d" (name, mode, filter) and the
// one-index families named "%s%d" (name, mode).
void ForEachSettingsKey(SettingsRecord& record,
                        const std::function<void(const SettingsKey&)>& visit);

// Number of persistent keys (scalars plus family members).
int SettingsKeyCount();

// The filter a mode starts with (its default DemBwIdx).
int DefaultFilterIndex(int mode);

// Default pass-band width in Hz for a mode and filter.
int DefaultFilterWidthHz(int mode, int filter);

}  // namespace velorix

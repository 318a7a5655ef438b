#pragma once

#include <functional>

namespace velorix {

// The warning beep of a refused entry. Tests replace it to count beeps.
void Beep();
// Installs `hook` in place of the system beep; an empty hook restores it.
void SetBeepHook(std::function<void()> hook);

}  // namespace velorix

#pragma once

#include <cstdio>

#include "CliOptions.h"

namespace velorix {

// Runs the headless receiver with parsed options: the same start-up, board,
// engine, control layer, recorder and audio outputs as the window. Prints
// the S-meter lines and the summary to `out`, messages to `err`. Returns the
// exit code: 0 done, 1 an error (told on `err`).
int RunCli(const CliOptions& options, std::FILE* out, std::FILE* err);

// "<t> s  <level> dBm  S<n>[+<dd>]  [LOCK] [ADC CLIP]"
std::string SMeterLine(double seconds, int tenthsDbm, bool lock, bool clip);

}  // namespace velorix

#pragma once

#include <cstdio>
#include <string>

#include "CliOptions.h"
#include "ShutdownSignals.h"

namespace velorix {

// Runs the headless receiver with parsed options: the same start-up, board,
// engine, control layer, recorder and audio outputs as the window. Prints
// the S-meter lines and the summary to `out`, messages to `err`. A signal
// caught by `stopSignals` ends the run through its normal end. Returns the exit
// code: 0 done, 1 an error (told on `err`), 2 a usage error, 128 + the
// signal's number after a signal.
int RunCli(const CliOptions& options, ShutdownSignals& stopSignals, std::FILE* out, std::FILE* err);

// "<t> s  <level> dBm  S<n>[+<dd>]  [LOCK] [ADC CLIP]"
std::string SMeterLine(double seconds, int tenthsDbm, bool lock, bool clip);

}  // namespace velorix

#pragma once

#include <cstdio>

#include "CliOptions.h"
#include "ShutdownSignals.h"

namespace velorix {

// The headless station: the receiver as the options set it up, playing to
// its audio output (the virtual cable, for a decoder), and the rigctl server
// on the options' endpoint for the programs that tune it. Runs until a
// signal, or for --seconds of signal. Prints the endpoint once it listens.
// Returns the exit code: 0 done, 1 an error (told on `err`), 2 a usage
// error, 128 + the signal's number after a signal caught by `stopSignals`.
int RunRigctlStation(const CliOptions& options, const ShutdownSignals& stopSignals, std::FILE* out,
                     std::FILE* err);

}  // namespace velorix

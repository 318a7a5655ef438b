#pragma once

#include <cstdio>

#include "CliOptions.h"
#include "ShutdownSignals.h"

namespace velorix {

// --synthesize: writes a recording of the virtual band for the options'
// centre, rate, seconds and front end, as fast as the machine allows,
// through the recorder (series naming and header exactly as it records).
// A signal caught by `stopSignals` ends it with the recording finished. Returns
// the exit code.
int SynthesizeRecording(const CliOptions& options, const ShutdownSignals& stopSignals,
                        std::FILE* out, std::FILE* err);

}  // namespace velorix

#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace velorix {

// The recording conversions of velorix-cli, each a mode of its own that runs
// instead of the receiver. Each returns the exit code: 0 done, 1 failed,
// 2 a usage error.

// --export-sigmf RECORDING [--out BASE] [--float] [--overwrite] [--tune HZ]
// [--mode NAME]: a recording or series as BASE.sigmf-meta and
// BASE.sigmf-data (BASE: the recording's path without its extension).
int ExportSigmfCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// --import FILE [--out BASE] [--input-rate HZ] [--center HZ] [--overwrite]:
// a SigMF, WAV I/Q or GQRX raw recording as a velorix series BASE_000.wav …
// (BASE: the file's name without its extension, in the working directory).
int ImportCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// The mode `args` ask for: the conversion's function, or null for the receiver.
using CliCommand = int (*)(const std::vector<std::string>&, std::FILE*, std::FILE*);
CliCommand ConvertCommandFor(const std::vector<std::string>& args);

// Prints a usage error as the program does; returns its exit code, 2.
int UsageError(std::FILE* err, const std::string& why);

// A whole or decimal number of Hz, at least 0 and finite; false otherwise.
bool ParseHz(const std::string& text, double& hz);

}  // namespace velorix

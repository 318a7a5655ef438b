#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velorix {

// A velorix recording, or a whole series from the file given on, as one
// SigMF recording.
struct ExportRequest {
    std::string recording;
    std::string outBase;   // writes <outBase>.sigmf-meta and <outBase>.sigmf-data
    bool asFloat = false;  // cf32_le (every bit) instead of ci16_le
    bool overwrite = false;
    // What the listener was tuned to; a recording holds the whole band, so
    // only the caller can say.
    std::optional<std::int64_t> tunedHz{};
    std::optional<int> mode{};  // 0..8: AM … USER
};

struct ExportResult {
    std::vector<std::string> inputs;  // the series' files that went in
    std::uint64_t samples = 0;
    std::size_t captures = 0;
    std::string metaPath;
    std::string dataPath;
    std::vector<std::string> notes;
};

// Writes the SigMF recording, streaming the samples through in bounded
// memory. False, with `error` in the system's words, leaving no output
// behind.
bool ExportSigmf(const ExportRequest& request, ExportResult& result, std::string& error);

// The default output base: the recording's path without its extension.
std::string ExportBaseName(const std::string& recording);

// Level in dBm of a carrier whose samples have amplitude 1.0 (full scale)
// in a recording made with these front-end settings at `centreHz`.
double FullScaleDbm(int attenuatorIdx, bool preamp, bool preselector, std::int64_t centreHz);

}  // namespace velorix

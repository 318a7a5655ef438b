#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "IqSamples.h"

namespace velorix {

// The receiver's front end as a velorix recording states it.
struct FrontEndState {
    int attenuatorIdx = 0;  // 0..3: 0, 10, 20, 30 dB
    bool preamp = false;
    bool dither = false;
    bool preselector = false;
};

// From input sample `sample` on, the recording's clock reads `utc`
// (seconds since 1970).
struct TimeMark {
    std::uint64_t sample = 0;
    std::int64_t utc = 0;
};

// What an I/Q recording says about itself, as its own kind of file states
// it; what it does not say stays empty.
struct ForeignRecording {
    std::string kind;  // "SigMF", "WAV", "GQRX raw"
    std::string dataPath;
    std::uint64_t dataOffset = 0;  // bytes before the first sample
    std::uint64_t samples = 0;     // complex samples
    IqEncoding encoding = IqEncoding::CF32;
    std::optional<double> rateHz;
    std::optional<double> centreHz;
    std::optional<double> bandwidthHz;
    std::vector<TimeMark> times;  // ascending by sample
    std::optional<FrontEndState> frontEnd;
    // The samples are a velorix recording's 24 bits as they were, the
    // converter's overload mark in bit 0 of I included.
    bool receiverBits = false;
};

// Reads the description of the recording at `path`: a SigMF recording (its
// .sigmf-meta or .sigmf-data), a WAV I/Q file, or else raw cf32 samples
// (GQRX: "gqrx_YYYYMMDD_HHMMSS_FREQ_RATE_fc.raw"). False, with `error` in
// the form "PATH: what is wrong", for a file that cannot be read as any of
// these, or a velorix recording (which plays as it is).
bool ProbeRecording(const std::string& path, ForeignRecording& out, std::string& error);

bool ProbeSigmf(const std::string& path, ForeignRecording& out, std::string& error);
bool ProbeWavIq(const std::string& path, ForeignRecording& out, std::string& error);
bool ProbeRawCf32(const std::string& path, ForeignRecording& out, std::string& error);

// True when `path` names a velorix recording: a WAV file with the receiver's
// "rcvr" header.
bool IsVelorixRecording(const std::string& path);

}  // namespace velorix

#pragma once

// Recordings made and read for the tests straight from their formats, and
// the outside judges (Python with numpy and jsonschema, sox) run as programs.
#include <complex>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "WavFormat.h"

namespace velorix::test {

// A carrier of `levelDb` below full scale at `offsetHz`, as the receiver's
// 24-bit frames (full scale 2^23); `start` is the first sample's index.
std::vector<std::uint8_t> CarrierFrames(std::size_t count, double rateHz, double offsetHz,
                                        double levelDb, std::size_t start = 0);

// Writes one velorix recording file: the 86-byte header and the frames.
void WriteRecording(const std::string& path, const WavReceiverInfo& info,
                    const std::vector<std::uint8_t>& frames);

// A velorix recording file as read: header and frames.
struct Recording {
    WavHeader header;
    std::vector<std::uint8_t> frames;
    std::vector<std::complex<double>> Samples() const;  // raw / 2^23
};
Recording ReadRecording(const std::string& path);

// Level in dB below full scale of the component at `offsetHz`, from a
// direct DFT over samples [from, from + count).
double LevelDb(const std::vector<std::complex<double>>& x, double rateHz, double offsetHz,
               std::size_t from, std::size_t count);
// Frequency in Hz of the carrier near `offsetHz`: from how far its phase
// turns between the two halves of samples [from, from + count).
double CarrierHz(const std::vector<std::complex<double>>& x, double rateHz, double offsetHz,
                 std::size_t from, std::size_t count);

struct ToolRun {
    int code = -1;
    std::string out;
};
// Runs a program (argv[0] a path) to its end, collecting its standard output.
ToolRun RunTool(const std::vector<std::string>& argv);
// One of this folder's Python judges or makers, by Debian's python3.
ToolRun RunScript(const std::string& script, const std::vector<std::string>& args);
// "key=value key=value" → map.
std::map<std::string, double> Values(const std::string& line);

}  // namespace velorix::test

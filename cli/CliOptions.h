#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ControlTable.h"
#include "RigctlEndpoint.h"

namespace velorix {

// The headless receiver's command line. Parsing only checks what can be
// checked without the receiver; the run checks the rest (offset limits
// against the rate, a file's own header).
struct CliOptions {
    enum class Source { Virtual, Usb, File };

    Source source = Source::Virtual;
    std::string sourceFile;  // with Source::File
    std::string scenario;
    std::optional<unsigned long long> seed;
    std::optional<long long> tuneHz;
    std::optional<long long> centerHz;
    std::optional<int> rateKHz;  // 125, 250, 500
    std::optional<int> mode;     // 0..8
    std::optional<int> filter;   // 0..5
    std::optional<int> agc;      // 0..3
    std::optional<int> nbValue;  // noise blanker on, NBVal units
    std::optional<int> nrValue;  // LMS on, NRVal units
    std::optional<double> volumeDb;
    std::optional<int> attenuatorIdx;  // 0..3
    std::optional<bool> preamp;
    std::optional<bool> dither;
    std::optional<bool> preselector;
    std::optional<double> seconds;
    std::string audioOut;
    std::optional<std::string> audioDevice;
    std::string record;
    std::string synthesize;
    std::string waterfall;
    std::string spectrum;
    bool smeter = false;
    int list = 1;  // 0 hfcc, 1 eibi, 2 user
    bool useSettings = false;
    bool overwrite = false;  // --record may write over an existing recording
    // --rigctl: the rigctl server's endpoint (port 0: off), stored with
    // --settings; with a port, the run is a station serving it.
    std::optional<RigctlEndpoint> rigctl;
    bool help = false;
};

struct CliParse {
    bool ok = false;
    std::string error;  // a usage error, in the program's words
    CliOptions options;
};

CliParse ParseCliOptions(const std::vector<std::string>& args);

// The text --help prints.
const char* CliUsage();

}  // namespace velorix

#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ForeignRecording.h"
#include "RationalResampler.h"

namespace velorix {

// What to import, and what to take instead of what the file says.
struct ImportRequest {
    std::string input{};
    std::string outBase{};  // the series' files are "<outBase>_000.wav" …
    std::optional<double> inputRateHz{};
    std::optional<double> centreHz{};
    bool overwrite = false;
};

// Why an import cannot be planned, where the caller can help.
enum class ImportProblem {
    None,
    Unreadable,
    NoRate,
    RateOutOfRange,
    NoCentre,
    CentreOutOfRange,
    TimeOutOfRange
};

// An import decided: the recording as read, and what velorix makes of it.
struct ImportPlan {
    ImportRequest request;
    ForeignRecording source;
    double rateHz = 0.0;
    std::uint32_t centreHz = 0;
    int rateIdx = 0;        // the series' rate: 0, 1, 2 for 125, 250, 500 kHz
    bool resample = false;  // false: the samples are copied at their own rate
    ResampleRatio ratio;
    std::vector<TimeMark> times;  // by output sample; the first at 0
    std::uint64_t outputSamples = 0;
    std::uint64_t bytesNeeded = 0;   // on disk, headers and padding included
    std::vector<std::string> notes;  // what the listener should know
};

// Reads the recording and decides rate, centre and time. False, with
// `problem` and `error` in the system's words, when it cannot be imported.
bool PlanImport(const ImportRequest& request, ImportPlan& plan, ImportProblem& problem,
                std::string& error);

// Called now and then with the share done (0 … 1); false cancels.
using ImportProgress = std::function<bool(double)>;

enum class ImportStatus { Done, Failed, Cancelled };

struct ImportResult {
    std::vector<std::string> files;  // the series, in order
    std::vector<std::string> notes;  // what the listener should know
};

// Writes the series. A failed or cancelled import leaves no file behind.
ImportStatus RunImport(const ImportPlan& plan, const ImportProgress& progress, ImportResult& result,
                       std::string& error);

// The default series base for `input`: its file name without the extension.
std::string ImportBaseName(const std::string& input);

}  // namespace velorix

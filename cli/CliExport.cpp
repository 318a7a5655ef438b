#include <algorithm>
#include <cmath>

#include "CliConvert.h"
#include "ControlTable.h"
#include "SigmfExport.h"

namespace velorix {

int ExportSigmfCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    ExportRequest request;
    std::string usage;
    bool outGiven = false;
    for (std::size_t i = 0; i < args.size() && usage.empty(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        double hz = 0;
        if (a == "--float") {
            request.asFloat = true;
        } else if (a == "--overwrite") {
            request.overwrite = true;
        } else if (!hasValue) {
            usage = a + " needs a value";
        } else if (a == "--export-sigmf") {
            request.recording = args[++i];
        } else if (a == "--out") {
            request.outBase = args[++i];
            outGiven = true;
        } else if (a == "--tune") {
            if (!ParseHz(args[++i], hz) || hz > 40e6)
                usage = "--tune needs a frequency in Hz from 0 to 40000000";
            request.tunedHz = std::llround(hz);
        } else if (a == "--mode") {
            const std::string& name = args[++i];
            int mode = 0;
            while (mode < 9 && name != ModeName(mode))
                ++mode;
            if (mode == 9) usage = "--mode needs one of AM SAM CW RTTY USB LSB FM DRM USER";
            request.mode = mode;
        } else {
            usage = "option " + a + " does not go with --export-sigmf";
        }
    }
    if (usage.empty() && request.recording.empty()) usage = "--export-sigmf needs a recording";
    if (!usage.empty()) return UsageError(err, usage);
    if (!outGiven) request.outBase = ExportBaseName(request.recording);
    ExportResult result;
    std::string error;
    const bool ok = ExportSigmf(request, result, error);
    for (const std::string& note : result.notes)
        std::fprintf(err, "velorix-cli: note: %s\n", note.c_str());
    if (!ok) {
        std::fprintf(err, "velorix-cli: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(out, "exported %llu samples in %zu file%s as %s (%zu capture%s): %s, %s\n",
                 static_cast<unsigned long long>(result.samples), result.inputs.size(),
                 result.inputs.size() == 1 ? "" : "s", request.asFloat ? "cf32_le" : "ci16_le",
                 result.captures, result.captures == 1 ? "" : "s", result.metaPath.c_str(),
                 result.dataPath.c_str());
    return 0;
}

}  // namespace velorix

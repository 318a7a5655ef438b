#include "CliConvert.h"
#include "RecordingImport.h"
#include "UtcTime.h"
#include "WavFormat.h"

namespace velorix {

int ImportCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    ImportRequest request;
    std::string usage;
    bool outGiven = false;
    for (std::size_t i = 0; i < args.size() && usage.empty(); ++i) {
        const std::string& a = args[i];
        double hz = 0;
        if (a == "--overwrite") {
            request.overwrite = true;
        } else if (i + 1 >= args.size()) {
            usage = a + " needs a value";
        } else if (a == "--import") {
            request.input = args[++i];
        } else if (a == "--out") {
            request.outBase = args[++i];
            outGiven = true;
        } else if (a == "--input-rate") {
            if (!ParseHz(args[++i], hz) || hz < 1.0 || hz > 1e9)
                usage = "--input-rate needs a sample rate in Hz from 1 to 1000000000";
            request.inputRateHz = hz;
        } else if (a == "--center") {
            if (!ParseHz(args[++i], hz) || hz > 40e6)
                usage =
                    "--center needs a frequency in Hz from 0 to 40000000, not '" + args[i] + "'";
            request.centreHz = hz;
        } else {
            usage = "option " + a + " does not go with --import";
        }
    }
    if (usage.empty() && request.input.empty()) usage = "--import needs a recording";
    if (!usage.empty()) return UsageError(err, usage);
    if (!outGiven) request.outBase = ImportBaseName(request.input);

    ImportPlan plan;
    ImportProblem problem = ImportProblem::None;
    std::string error;
    if (!PlanImport(request, plan, problem, error)) {
        const char* hint =
            problem == ImportProblem::NoRate || problem == ImportProblem::RateOutOfRange
                ? ": give --input-rate HZ"
            : problem == ImportProblem::NoCentre || problem == ImportProblem::CentreOutOfRange
                ? ": give --center HZ"
                : "";
        std::fprintf(err, "velorix-cli: %s%s\n", error.c_str(), hint);
        return 1;
    }
    ImportResult result;
    if (RunImport(plan, nullptr, result, error) != ImportStatus::Done) {
        std::fprintf(err, "velorix-cli: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& note : result.notes)
        std::fprintf(err, "velorix-cli: note: %s\n", note.c_str());
    std::fprintf(
        out, "imported %s (%s, %.0f Hz) as %zu file%s from %s at %.0f kHz, centre %u Hz, from %s\n",
        request.input.c_str(), plan.source.kind.c_str(), plan.rateHz, result.files.size(),
        result.files.size() == 1 ? "" : "s", result.files.front().c_str(),
        WavRateHz(static_cast<std::uint32_t>(plan.rateIdx)) / 1000.0, plan.centreHz,
        IsoUtcText(plan.times.front().utc).c_str());
    return 0;
}

}  // namespace velorix

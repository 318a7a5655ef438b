// velorix-cli: the receiver without a window.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "CliConvert.h"
#include "CliInfo.h"
#include "CliOptions.h"
#include "CliRun.h"
#include "CliSynthesize.h"
#include "RigctlStation.h"
#include "ShutdownSignals.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const std::optional<int> code = velorix::RunInfoCommand(args, stdout, stderr)) return *code;
    if (const velorix::CliCommand convert = velorix::ConvertCommandFor(args))
        return convert(args, stdout, stderr);
    const velorix::CliParse parse = velorix::ParseCliOptions(args);
    if (!parse.ok) {
        std::fprintf(stderr, "velorix-cli: %s\n(velorix-cli --help lists the options)\n",
                     parse.error.c_str());
        return 2;
    }
    if (parse.options.help) {
        std::fputs(velorix::CliUsage(), stdout);
        return 0;
    }
    // Ctrl-C, SIGTERM and SIGHUP end a run through its normal end: files
    // finished, settings saved, the summary printed.
    velorix::ShutdownSignals signals;
    if (!parse.options.synthesize.empty())
        return velorix::SynthesizeRecording(parse.options, signals, stdout, stderr);
    // Audio streamed to standard output leaves it to the audio alone.
    std::FILE* text = parse.options.audioOut == "-" ? stderr : stdout;
    if (parse.options.rigctl && parse.options.rigctl->port != 0)
        return velorix::RunRigctlStation(parse.options, signals, text, stderr);
    return velorix::RunCli(parse.options, signals, text, stderr);
}

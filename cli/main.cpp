// velorix-cli: the receiver without a window.
#include <cstdio>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "CliRun.h"
#include "CliSynthesize.h"
#include "RigctlStation.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
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
    if (!parse.options.synthesize.empty())
        return velorix::SynthesizeRecording(parse.options, stdout, stderr);
    if (parse.options.rigctl && parse.options.rigctl->port != 0)
        return velorix::RunRigctlStation(parse.options, stdout, stderr);
    return velorix::RunCli(parse.options, stdout, stderr);
}

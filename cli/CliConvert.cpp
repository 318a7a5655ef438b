#include "CliConvert.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace velorix {

CliCommand ConvertCommandFor(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--export-sigmf") return ExportSigmfCommand;
        if (a == "--import") return ImportCommand;
    }
    return nullptr;
}

int UsageError(std::FILE* err, const std::string& why) {
    std::fprintf(err, "velorix-cli: %s\n(velorix-cli --help lists the options)\n", why.c_str());
    return 2;
}

bool ParseHz(const std::string& text, double& hz) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !std::isfinite(v) || v < 0) return false;
    hz = v;
    return true;
}

}  // namespace velorix

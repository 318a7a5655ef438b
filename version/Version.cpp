#include "Version.h"

namespace velorix {

const char* ReleaseVersion() {
    return VELORIX_VERSION;
}

std::string VersionLine() {
    return std::string(ReleaseVersion()) + " (" + BuildCommit() + ")";
}

}  // namespace velorix

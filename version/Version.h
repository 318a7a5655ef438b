#pragma once

#include <string>

// What the programs say of themselves: the release (the build's one version
// number) and the commit it was built from.
namespace velorix {

// "0.31"
const char* ReleaseVersion();
// The commit's abbreviated hash, or "unknown" for a build outside a git checkout.
const char* BuildCommit();
// "0.31 (1a2b3c4d5e6f)"
std::string VersionLine();

}  // namespace velorix

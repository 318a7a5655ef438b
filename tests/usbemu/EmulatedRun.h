#pragma once

// Running a program with receivers emulated behind the kernel's USB
// interface (velorix-usb-emulator under umockdev-wrapper), as a user would
// with scripts/usb-emulated.sh; shared by the tests of this folder.
#include <map>
#include <string>
#include <vector>

#include "E2eSupport.h"

namespace velorix::test {

// A program of the tree's bin/.
std::string BinProgram(const std::string& name);

struct Emulated {
    std::vector<std::string> env;      // "NAME=value", for the emulator and the program
    std::vector<std::string> options;  // the emulator's own (--receivers N)
    std::string before;     // shell commands run first, in the background, their output dropped
    int limitSeconds = 90;  // then the run is ended (code 124)
};

// Runs `command` in `dir` with the emulated receivers.
e2e::RunResult RunEmulated(const std::string& dir, const Emulated& how,
                           const std::vector<std::string>& command);

// The "key value" lines a program printed.
std::map<std::string, std::string> Values(const std::string& out);

bool Has(const std::string& text, const std::string& part);

// The lines of a file.
std::vector<std::string> Lines(const std::string& path);

}  // namespace velorix::test

#pragma once

#include <string>
#include <vector>

namespace velorix {

// A journey through the window for tests from outside (the Wayland and X11
// smoke tests), read from the file that VELORIX_TEST_SCRIPT names. One step
// a line, "#" starts a comment:
//   click <control id>   a left click on a button or check box (340 is "AM")
//   key <key>            a key pressed and released ("PgUp", "Left", "Escape")
//   wait <ms>            until the receiver has delivered that much signal
//   wait file <path>     until the file exists (the outside test is ready)
//   shot <path>          the window as it draws itself, as a PNG file
//   quit                 the window closes as by its exit button
// Relative paths are taken from the script's folder.
struct TestStep {
    enum class Kind { Click, Key, WaitSignal, WaitFile, Shot, Quit };
    Kind kind;
    int line;
    int value = 0;     // control id, key (with modifiers) or milliseconds
    std::string path;  // wait file, shot
};

struct TestScript {
    std::vector<TestStep> steps;
    // "FILE:LINE: what is wrong", one for every bad line; a script with any
    // is refused whole.
    std::vector<std::string> errors;
};

// `name` is the file's name for the messages, `folder` where relative paths
// start.
TestScript ParseTestScript(const std::string& text, const std::string& name,
                           const std::string& folder);
// Reads and parses the file; a file that cannot be read is one error.
TestScript LoadTestScript(const std::string& path);

}  // namespace velorix

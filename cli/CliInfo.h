#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "UsbIds.h"

namespace velorix {

// The headless receiver's answers that start no receiver:
//   --version    "velorix VERSION (COMMIT)"
//   --udev-rule  the udev rules that give the receiver's user access to it,
//                from the template and the ids found in the data directories
// Returns the exit code (0 done, 1 an error told on `err`, 2 a usage error)
// when `args` asks for one of them; nothing otherwise.
std::optional<int> RunInfoCommand(const std::vector<std::string>& args, std::FILE* out,
                                  std::FILE* err);

// The rules file: every template line that holds @VENDOR@ or @PRODUCT@ once
// for each id, in lower-case hex as udev compares them; the other lines as
// they are.
std::string ExpandUdevRules(std::string_view templateText, const std::vector<usb::UsbId>& ids);

}  // namespace velorix

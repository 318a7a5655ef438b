#pragma once

#include <string>
#include <string_view>

#include "RigControl.h"

namespace velorix {

// What the server sends back for one line from a client.
struct RigctlAnswer {
    std::string text;
    bool close = false;  // the client asked to end the connection (`q`)
};

// Answers one line of Hamlib's NET rigctl protocol (the line end removed),
// as rigctld does: commands by letter (`f`) or long name (`\get_freq`),
// several on a line separated by blanks (`f m`). A command preceded by `+`,
// `;`, `|` or `,` answers in the Extended Response Protocol: the long name
// echoed with the arguments, `Key: value` records, `RPRT n` last, separated
// by a line end or by that character. Otherwise a query answers its values
// one a line and a setting answers `RPRT n`. Bad arguments answer `RPRT -1`,
// a command the receiver does not offer `RPRT -11` and ends its line (its
// arguments cannot be told from further commands). Never throws.
RigctlAnswer AnswerLine(std::string_view line, RigControl& rig);

}  // namespace velorix

#pragma once

#include <string>
#include <vector>

#include "RigControl.h"

namespace velorix {

// The capability dump `\dump_state` answers, one string a line, in the
// layout a Hamlib 4.5 client reads when it opens "NET rigctl" (model 2):
// protocol version 1, the rig model, the ITU region, a receive range of
// 0-40 MHz and no transmit range, the tuning step, every mode's filter
// widths (its default first, which Hamlib takes as the normal pass band),
// no RIT, XIT, IF shift, preamp or attenuator steps, the STRENGTH and RAWSTR
// levels to read and nothing to set, then the protocol-1 settings up to
// "done".
std::vector<std::string> DumpStateLines(const RigControl& rig);

}  // namespace velorix

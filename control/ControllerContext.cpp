#include "ControllerContext.h"

#include <algorithm>

#include "DisplaysPart.h"
#include "StatusTexts.h"

namespace velorix {

namespace {

// The wiring with the system clock where none is given: the station panel
// reads the clock as soon as it is made.
ControllerWiring WithClock(ControllerWiring wiring) {
    if (!wiring.clock) wiring.clock = SystemSecondsUtc;
    return wiring;
}

}  // namespace

ControllerContext::ControllerContext(const ControllerWiring& wiring)
    : ControllerWiring(WithClock(wiring)),
      freeSpace(FreeBytesOf),
      stationPanel([this] { return clock(); }) {}

bool ControllerContext::IsLive() const {
    return !settings.recording.load() && !settings.fileLoaded.load() && !settings.playing.load();
}

int ControllerContext::Mode() const {
    return std::clamp(settings.DemIdx, 0, kModeCount - 1);
}

void ControllerContext::RefreshDisplays() {
    displays->Refresh();
}

}  // namespace velorix

#include "ControllerContext.h"

#include <algorithm>

#include "DisplaysPart.h"
#include "StatusTexts.h"

namespace velorix {

ControllerContext::ControllerContext(const ControllerWiring& w)
    : settings(w.settings),
      engine(w.engine),
      board(w.board),
      library(w.library),
      startup(w.startup),
      recorder(w.recorder),
      stations(w.stations),
      notifier(w.notifier),
      pacing(w.pacing),
      feed(w.feed),
      freeSpace(FreeBytesOf),
      clock(w.clock ? w.clock : Clock(SystemSecondsUtc)),
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

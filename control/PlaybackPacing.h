#pragma once

namespace velorix {

// Whether the first audio output paces file playback by its completions: on
// while a recording plays, off otherwise. The assembly connects it to the
// audio output; the control layer switches it. User-interface thread.
class PlaybackPacing {
public:
    virtual ~PlaybackPacing() = default;
    virtual void SetPlaybackPacing(bool on) = 0;
};

}  // namespace velorix

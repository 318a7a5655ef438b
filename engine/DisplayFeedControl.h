#pragma once

namespace velorix {

// The pace of the main display's feed thread, for the display controls of
// the window. An engine that has such a thread implements this beside
// EngineControl; the control layer finds it on the engine it is given and
// leaves the pace alone when the engine has none. User-interface thread.
class DisplayFeedControl {
public:
    virtual ~DisplayFeedControl() = default;
    // Blocks dropped between two handed to the main display (0: none dropped).
    virtual int GetMainSkipLimit() const = 0;
    virtual void SetMainSkipLimit(int n) = 0;
    // When on, a busy main display raises the skip limit by itself.
    virtual void SetMainAutoThrottle(bool on) = 0;
};

}  // namespace velorix

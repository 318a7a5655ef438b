#pragma once

#include <cstdint>
#include <functional>

namespace velorix {

// An event the plot hands to its display.
enum class PlotEventKind { Press, DoubleClick, Move, Release };

struct PlotEvent {
    PlotEventKind kind = PlotEventKind::Move;
    int flags = 0;  // key and button state of the input event
    int x = 0;
    int y = 0;
    bool operator==(const PlotEvent&) const = default;
};

// The events one input gives: none, one, or a late press and then a move.
struct PlotEvents {
    int count = 0;
    PlotEvent at[2];
    void Add(PlotEventKind kind, int flags, int x, int y) { at[count++] = {kind, flags, x, y}; }
};

// The plot's left button, so that a double click never tunes twice: a press
// is held back for the double-click interval. A double click within it
// gives only the double click; a quick click gives nothing; a press held
// past it (or moved) gives the press, and its release the release.
//
// The clock is injected (milliseconds, monotonic), so tests step it; the
// widget calls Poll from a timer at least once per interval.
// User-interface thread.
class DeferredPress {
public:
    using Clock = std::function<std::int64_t()>;

    DeferredPress(Clock clockMs, int intervalMs);
    void SetInterval(int intervalMs) { intervalMs_ = intervalMs; }

    // Left press: the mouse is captured and the press held back.
    PlotEvents Press(int flags, int x, int y);
    // Timer: the held press, once the interval has passed, if the mouse is
    // still captured.
    PlotEvents Poll();
    PlotEvents DoubleClick(int flags, int x, int y);
    // A move delivers a held press at once, then the move.
    PlotEvents Move(int flags, int x, int y);
    // The release, unless the press was never delivered or ended a double click.
    PlotEvents Release(int flags, int x, int y);
    // The capture was taken away (another window, a dialog).
    void LoseCapture() { captured_ = false; }

    bool Pending() const { return pending_; }
    bool Captured() const { return captured_; }

private:
    Clock clock_;
    int intervalMs_;
    bool pending_ = false;
    bool doubleClick_ = false;
    bool captured_ = false;
    std::int64_t deadlineMs_ = 0;
    PlotEvent saved_;
};

}  // namespace velorix

#pragma once

#include <functional>
#include <string>

#include "AcqBoard.h"
#include "ReceiverStartup.h"

namespace velorix {

// The one judgement of the receiver's stream that the window and the
// headless receiver share: a receiver that was removed, or that delivers no
// usable block, is told once; one that comes back after a removal is brought
// up again and told as back. Checked about four times a second from the
// user-interface (or main) thread.
class ReceiverWatch {
public:
    enum class State { Streaming, Stalled, Removed };
    struct Report {
        State state = State::Streaming;
        // What to tell now; empty when nothing changed. A stream that flows
        // again after a stall is not told: it never went away.
        std::string news;
    };

    static constexpr const char* kRemovedText = "the receiver was removed";
    static constexpr const char* kBackText = "the receiver is back";

    ReceiverWatch(const CAcqBoard& board, ReceiverStartup& startup)
        : board_(board), startup_(startup) {}

    // `receiverIsSource` false (a file is played): nothing is watched, and
    // what was told is forgotten. `bringUp` brings a receiver that came back
    // up again; it is tried once for each arrival seen.
    Report Check(bool receiverIsSource, const std::function<bool()>& bringUp);

    State Current() const { return state_; }
    // The text of the fault that holds, empty while streaming.
    std::string FaultText() const;

private:
    const CAcqBoard& board_;
    ReceiverStartup& startup_;
    State state_ = State::Streaming;
    double stallLimitSeconds_ = 0.0;
    bool triedThisArrival_ = false;
};

}  // namespace velorix

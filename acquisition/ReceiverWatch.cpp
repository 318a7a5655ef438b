#include "ReceiverWatch.h"

#include <cstdio>

namespace velorix {

namespace {
// A removed receiver is taken for gone once it has been quiet this long: a
// name read between two blocks must not count as a removal.
constexpr double kRemovalQuietSeconds = 0.3;
// How long a stream may deliver nothing usable: before its first block a
// receiver (the virtual one) may be slow to make it.
constexpr double kFirstBlockSeconds = 10.0;
constexpr double kBlockGapSeconds = 2.0;
}  // namespace

std::string ReceiverWatch::FaultText() const {
    switch (state_) {
        case State::Removed:
            return kRemovedText;
        case State::Stalled: {
            char text[96];
            std::snprintf(text, sizeof text, "the receiver delivered no usable block for %.0f s",
                          stallLimitSeconds_);
            return text;
        }
        case State::Streaming:
            break;
    }
    return {};
}

ReceiverWatch::Report ReceiverWatch::Check(bool receiverIsSource,
                                           const std::function<bool()>& bringUp) {
    if (!receiverIsSource) {
        state_ = State::Streaming;
        return {};
    }
    if (state_ == State::Removed) {
        // Gone until the library opens a device again; then one bring-up
        // for that arrival, however it ends.
        if (startup_.CurrentAttachment() == ReceiverStartup::Attachment::Absent) {
            triedThisArrival_ = false;
            return {state_, {}};
        }
        if (triedThisArrival_) return {state_, {}};
        triedThisArrival_ = true;
        if (!bringUp()) return {state_, {}};
        state_ = State::Streaming;
        return {state_, kBackText};
    }
    const double quiet = board_.SecondsWithoutBlock();
    if (quiet > kRemovalQuietSeconds &&
        startup_.CurrentAttachment() != ReceiverStartup::Attachment::Running) {
        state_ = State::Removed;
        triedThisArrival_ = false;
        return {state_, FaultText()};
    }
    const double limit = board_.BlocksPushed() == 0 ? kFirstBlockSeconds : kBlockGapSeconds;
    if (quiet < limit) {
        state_ = State::Streaming;
        return {};
    }
    if (state_ == State::Stalled) return {state_, {}};
    state_ = State::Stalled;
    stallLimitSeconds_ = limit;
    return {state_, FaultText()};
}

}  // namespace velorix

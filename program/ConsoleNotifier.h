#pragma once

#include <cstdio>
#include <mutex>

#include "Notifier.h"

namespace velorix {

// Notices for a program without a window: printed to stderr as
// "caption: text". A question is asked on the terminal when standard input
// is one; otherwise nobody can answer, so it is answered Cancel (or No) and
// the caller gives up instead of waiting.
class ConsoleNotifier : public Notifier {
public:
    ConsoleNotifier(std::FILE* out = stderr, std::FILE* in = stdin, bool interactive = false)
        : out_(out), in_(in), interactive_(interactive) {}

    Answer Notify(const std::string& text, const std::string& caption, Icon icon,
                  Buttons buttons) override;

private:
    std::FILE* out_;
    std::FILE* in_;
    bool interactive_;
    std::mutex mutex_;
};

}  // namespace velorix

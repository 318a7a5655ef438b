#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "Notifier.h"

namespace velorix::test {

// Records every notice and answers with a preset answer; never blocks.
class RecordingNotifier : public Notifier {
public:
    struct Notice {
        std::string text;
        std::string caption;
        Icon icon;
        Buttons buttons;
    };

    explicit RecordingNotifier(Answer answer = Answer::Ok) : answer_(answer) {}

    Answer Notify(const std::string& text, const std::string& caption, Icon icon,
                  Buttons buttons) override {
        std::lock_guard lock(mutex_);
        notices_.push_back({text, caption, icon, buttons});
        return answer_;
    }

    std::vector<Notice> Notices() const {
        std::lock_guard lock(mutex_);
        return notices_;
    }

private:
    Answer answer_;
    mutable std::mutex mutex_;
    std::vector<Notice> notices_;
};

}  // namespace velorix::test

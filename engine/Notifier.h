#pragma once

#include <string>

namespace velorix {

// The system's fixed-text messages to the user. The window shows them in a
// message box, the headless receiver prints them, tests record them. No
// implementation may block a test.
class Notifier {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, OkCancel, YesNo, RetryCancel };
    enum class Answer { Ok, Cancel, Yes, No, Retry };

    virtual ~Notifier() = default;
    virtual Answer Notify(const std::string& text, const std::string& caption, Icon icon,
                          Buttons buttons) = 0;
};

}  // namespace velorix

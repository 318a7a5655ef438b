#include "ConsoleNotifier.h"

#include <unistd.h>

#include <cctype>
#include <string>

namespace velorix {

Notifier::Answer ConsoleNotifier::Notify(const std::string& text, const std::string& caption,
                                         Icon icon, Buttons buttons) {
    std::lock_guard lock(mutex_);
    std::string flat = text;
    for (char& c : flat)
        if (c == '\n') c = ' ';
    const char* kind = icon == Icon::Error ? "error" : icon == Icon::Warning ? "warning" : "";
    std::fprintf(out_, "%s%s%s: %s\n", caption.c_str(), *kind ? " " : "", kind, flat.c_str());

    if (buttons == Buttons::Ok) return Answer::Ok;
    const Answer no = buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    const bool canAsk = interactive_ && in_ != nullptr && isatty(fileno(in_));
    if (!canAsk) {
        std::fprintf(out_, "%s: no one to answer; taking %s\n", caption.c_str(),
                     no == Answer::No ? "No" : "Cancel");
        std::fflush(out_);
        return no;
    }
    const char* prompt = buttons == Buttons::RetryCancel ? "[r]etry or [c]ancel? "
                         : buttons == Buttons::YesNo     ? "[y]es or [n]o? "
                                                         : "[o]k or [c]ancel? ";
    std::fputs(prompt, out_);
    std::fflush(out_);
    int c = std::fgetc(in_);
    while (c == ' ' || c == '\t')
        c = std::fgetc(in_);
    c = std::tolower(c);
    switch (buttons) {
        case Buttons::RetryCancel:
            return c == 'r' ? Answer::Retry : Answer::Cancel;
        case Buttons::YesNo:
            return c == 'y' ? Answer::Yes : Answer::No;
        default:
            return c == 'o' ? Answer::Ok : Answer::Cancel;
    }
}

}  // namespace velorix

#include "Notifier.h"

#include <atomic>

namespace velorix {

namespace {

class SilentNotifier final : public Notifier {
public:
    Answer Notify(const std::string&, const std::string&, Icon, Buttons buttons) override {
        switch (buttons) {
            case Buttons::YesNo:
                return Answer::Yes;
            case Buttons::RetryCancel:
                return Answer::Cancel;  // never retry forever with nobody to ask
            default:
                return Answer::Ok;
        }
    }
};

SilentNotifier gSilent;
std::atomic<Notifier*> gInstalled{nullptr};

}  // namespace

Notifier& DefaultNotifier() {
    Notifier* n = gInstalled.load(std::memory_order_acquire);
    return n ? *n : gSilent;
}

void SetDefaultNotifier(Notifier* notifier) {
    gInstalled.store(notifier, std::memory_order_release);
}

}  // namespace velorix

#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "Notifier.h"

namespace velorix {

// Notices of the window. On the GUI thread a notice is a modal message box
// with the exact text, caption and buttons, and its answer is the user's.
// From any other thread the notice is queued to the GUI thread and answered
// at once with the cautious answer (Ok for a plain notice, Cancel or No for
// a question): a message box off the GUI thread would crash, and waiting
// for the GUI thread could deadlock against it waiting for the chain.
class QtNotifier : public Notifier {
public:
    using Presenter =
        std::function<Answer(const std::string& text, const std::string& caption, Icon, Buttons)>;

    // Create on the GUI thread. The default presenter shows a QMessageBox.
    QtNotifier();
    ~QtNotifier() override;

    // Tests show notices without a box.
    void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }

    Answer Notify(const std::string& text, const std::string& caption, Icon icon,
                  Buttons buttons) override;

    // The answer given at once to a notice from another thread.
    static Answer ImmediateAnswer(Buttons buttons);
    // The modal message box.
    static Answer ShowMessageBox(const std::string& text, const std::string& caption, Icon icon,
                                 Buttons buttons);

private:
    Presenter presenter_;
    std::unique_ptr<QObject> context_;  // lives on the GUI thread; queued notices run there
};

}  // namespace velorix

#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "Notifier.h"

namespace velorix {

// Notices from other threads waiting for the GUI thread. Its own standard
// mutex carries them across, so the hand-off is plain to the thread checker;
// the GUI thread is only woken, by name.
class NoticeQueue : public QObject {
    Q_OBJECT
public:
    struct Notice {
        std::string text, caption;
        Notifier::Icon icon = Notifier::Icon::None;
        Notifier::Buttons buttons = Notifier::Buttons::Ok;
    };
    using Presenter = std::function<Notifier::Answer(
        const std::string& text, const std::string& caption, Notifier::Icon, Notifier::Buttons)>;

    void Push(Notice notice);
    // On the GUI thread: every waiting notice to the presenter.
    Q_INVOKABLE void Show();

    Presenter presenter;

private:
    std::mutex mutex_;
    std::deque<Notice> waiting_;
};

// Notices of the window. On the GUI thread a notice is a modal message box
// with the exact text, caption and buttons, and its answer is the user's.
// From any other thread the notice is queued to the GUI thread and answered
// at once with the cautious answer (Ok for a plain notice, Cancel or No for
// a question): a message box off the GUI thread would crash, and waiting
// for the GUI thread could deadlock against it waiting for the chain.
class QtNotifier : public Notifier {
public:
    using Presenter = NoticeQueue::Presenter;

    // Create on the GUI thread, one for each window. The default presenter
    // shows a QMessageBox.
    QtNotifier();
    ~QtNotifier() override;

    // Tests show notices without a box. GUI thread only.
    void SetPresenter(Presenter presenter);

    Answer Notify(const std::string& text, const std::string& caption, Icon icon,
                  Buttons buttons) override;

    // The answer given at once to a notice from another thread.
    static Answer ImmediateAnswer(Buttons buttons);
    // The program is asked to end: the open message box, if any, is answered
    // Cancel (or No, or closed), so whoever waits on it gives up rather than
    // asking again, and every later notice is answered so at once, its text
    // going to stderr instead of a box.
    static void CancelOpenNotice();
    // Once the program is asked to end: the notice goes to stderr, and true.
    static bool AnswerIfEnding(const std::string& text, const std::string& caption);
    // The modal message box.
    static Answer ShowMessageBox(const std::string& text, const std::string& caption, Icon icon,
                                 Buttons buttons);

private:
    std::unique_ptr<NoticeQueue> queue_;  // lives on the GUI thread
};

}  // namespace velorix

#include "QtNotifier.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <atomic>
#include <cstdio>

namespace velorix {

namespace {
// Set once the program is asked to end; read on any thread.
std::atomic<bool> gEnding{false};
}  // namespace

QtNotifier::QtNotifier() : queue_(std::make_unique<NoticeQueue>()) {
    queue_->presenter = &QtNotifier::ShowMessageBox;
    gEnding.store(false);  // a new window's notices are shown again
}

QtNotifier::~QtNotifier() = default;

void QtNotifier::SetPresenter(Presenter presenter) {
    queue_->presenter = std::move(presenter);
}

void NoticeQueue::Push(Notice notice) {
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(notice));
    }
    QMetaObject::invokeMethod(this, "Show", Qt::QueuedConnection);
}

void NoticeQueue::Show() {
    for (;;) {
        Notice notice;
        {
            std::lock_guard lock(mutex_);
            if (waiting_.empty()) return;
            notice = std::move(waiting_.front());
            waiting_.pop_front();
        }
        if (!QtNotifier::AnswerIfEnding(notice.text, notice.caption))
            presenter(notice.text, notice.caption, notice.icon, notice.buttons);
    }
}

Notifier::Answer QtNotifier::ImmediateAnswer(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

Notifier::Answer QtNotifier::Notify(const std::string& text, const std::string& caption, Icon icon,
                                    Buttons buttons) {
    if (AnswerIfEnding(text, caption)) return ImmediateAnswer(buttons);
    if (QThread::currentThread() == queue_->thread())
        return queue_->presenter(text, caption, icon, buttons);
    // The box is shown later on the GUI thread; the caller goes on now.
    queue_->Push({text, caption, icon, buttons});
    return ImmediateAnswer(buttons);
}

bool QtNotifier::AnswerIfEnding(const std::string& text, const std::string& caption) {
    if (!gEnding.load()) return false;
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return true;
}

void QtNotifier::CancelOpenNotice() {
    gEnding.store(true);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    if (QAbstractButton* cancel = box->button(QMessageBox::Cancel))
        cancel->click();
    else if (QAbstractButton* no = box->button(QMessageBox::No))
        no->click();
    else
        box->reject();
}

Notifier::Answer QtNotifier::ShowMessageBox(const std::string& text, const std::string& caption,
                                            Icon icon, Buttons buttons) {
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
        case Icon::Information:
            boxIcon = QMessageBox::Information;
            break;
        case Icon::Warning:
            boxIcon = QMessageBox::Warning;
            break;
        case Icon::Error:
            boxIcon = QMessageBox::Critical;
            break;
        case Icon::Question:
            boxIcon = QMessageBox::Question;
            break;
        case Icon::None:
            break;
    }
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons) {
        case Buttons::Ok:
            break;
        case Buttons::OkCancel:
            set = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case Buttons::YesNo:
            set = QMessageBox::Yes | QMessageBox::No;
            break;
        case Buttons::RetryCancel:
            set = QMessageBox::Retry | QMessageBox::Cancel;
            break;
    }
    QMessageBox box(boxIcon, QString::fromStdString(caption), QString::fromStdString(text), set);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Retry:
            return Answer::Retry;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:
            // Closed without a button: the cautious answer.
            return ImmediateAnswer(buttons);
    }
}

}  // namespace velorix

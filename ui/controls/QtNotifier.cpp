#include "QtNotifier.h"

#include <QMessageBox>
#include <QThread>

namespace velorix {

QtNotifier::QtNotifier() : presenter_(&QtNotifier::ShowMessageBox), context_(new QObject) {}

QtNotifier::~QtNotifier() = default;

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
    if (QThread::currentThread() == context_->thread())
        return presenter_(text, caption, icon, buttons);
    // The box is shown later on the GUI thread; the caller goes on now.
    QMetaObject::invokeMethod(
        context_.get(),
        [presenter = presenter_, text, caption, icon, buttons] {
            presenter(text, caption, icon, buttons);
        },
        Qt::QueuedConnection);
    return ImmediateAnswer(buttons);
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

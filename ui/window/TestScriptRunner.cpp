#include "TestScriptRunner.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cstdio>
#include <filesystem>

#include "ReceiverWindow.h"
#include "SkinButton.h"
#include "SkinnedControls.h"

namespace velorix {

namespace {

// Samples the board hands on in one block.
constexpr double kBlockSamples = 1024.0;

void PostClick(QWidget& target) {
    const QPointF at = QRectF(target.rect()).center();
    const QPointF global = target.mapToGlobal(at);
    QCoreApplication::postEvent(&target, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                         Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(&target, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                         Qt::LeftButton, Qt::NoButton, {}));
}

}  // namespace

TestScriptRunner::TestScriptRunner(ReceiverWindow& window, std::vector<TestStep> steps,
                                   std::string name)
    : window_(window), steps_(std::move(steps)), name_(std::move(name)) {
    poll_.setInterval(20);
    connect(&poll_, &QTimer::timeout, this, &TestScriptRunner::Run);
}

void TestScriptRunner::Start() {
    poll_.start();
    Run();
}

void TestScriptRunner::Run() {
    while (!Finished()) {
        const TestStep& step = steps_[next_];
        const bool wait =
            step.kind == TestStep::Kind::WaitSignal || step.kind == TestStep::Kind::WaitFile;
        if (wait && !Reached(step)) return;
        waiting_ = false;
        ++next_;
        if (!wait) Do(step);
    }
    poll_.stop();
}

bool TestScriptRunner::Reached(const TestStep& step) {
    if (step.kind == TestStep::Kind::WaitFile) {
        std::error_code ec;
        return std::filesystem::exists(step.path, ec);
    }
    const std::uint64_t blocks = window_.Receiver().Board().BlocksPushed();
    if (!waiting_) {
        waiting_ = true;
        blocks_ = blocks;
        signalMs_ = 0.0;
    }
    // Counted at the rate of the moment: a rate change while waiting is fine.
    signalMs_ += (blocks - blocks_) * kBlockSamples / window_.Receiver().Settings().outputRateKHz;
    blocks_ = blocks;
    return signalMs_ >= step.value;
}

void TestScriptRunner::Do(const TestStep& step) {
    switch (step.kind) {
        case TestStep::Kind::Click:
            if (SkinButton* button = window_.Controls().Button(static_cast<ControlId>(step.value)))
                PostClick(*button);
            break;
        case TestStep::Kind::Key: {
            // Where a user's key would go: the open box, else the focused control,
            // which hands the keys it does not take on to the window.
            QWidget* target = QApplication::activeModalWidget();
            if (!target) target = window_.focusWidget();
            if (!target) target = &window_;
            const QKeyCombination key = QKeyCombination::fromCombined(step.value);
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(
                    target, new QKeyEvent(type, key.key(), key.keyboardModifiers()));
            break;
        }
        case TestStep::Kind::Shot: {
            // Written whole under another name first: the test outside waits
            // for the file to appear and reads it at once.
            const std::string part = step.path + ".part";
            std::error_code ec;
            if (!window_.grab().save(QString::fromStdString(part), "PNG") ||
                (std::filesystem::rename(part, step.path, ec), ec))
                std::fprintf(stderr, "velorix: %s:%d: cannot write %s\n", name_.c_str(), step.line,
                             step.path.c_str());
            break;
        }
        case TestStep::Kind::Quit:
            next_ = steps_.size();
            window_.close();
            break;
        case TestStep::Kind::WaitSignal:
        case TestStep::Kind::WaitFile:
            break;
    }
}

}  // namespace velorix

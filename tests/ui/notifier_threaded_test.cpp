#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <thread>

#include "QtNotifier.h"

namespace velorix {
namespace {

struct Shown {
    std::string text, caption;
    Notifier::Buttons buttons;
    bool onGuiThread;
};

class Notices : public ::testing::Test {
protected:
    Notices() {
        notifier.SetPresenter([this](const std::string& text, const std::string& caption,
                                     Notifier::Icon, Notifier::Buttons buttons) {
            shown.push_back({text, caption, buttons,
                             QThread::currentThread() == QCoreApplication::instance()->thread()});
            return Notifier::Answer::Retry;
        });
    }
    QtNotifier notifier;
    std::vector<Shown> shown;
};

TEST_F(Notices, OnTheGuiThreadTheBoxAnswers) {
    const auto answer = notifier.Notify("Can't open file", "Error", Notifier::Icon::Error,
                                        Notifier::Buttons::RetryCancel);
    EXPECT_EQ(answer, Notifier::Answer::Retry);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Can't open file");
    EXPECT_EQ(shown[0].caption, "Error");
}

TEST_F(Notices, FromAnotherThreadTheyAreAnsweredAtOnceAndShownLaterOnTheGuiThread) {
    std::vector<Notifier::Answer> answers;
    std::thread worker([&] {
        for (auto buttons : {Notifier::Buttons::Ok, Notifier::Buttons::OkCancel,
                             Notifier::Buttons::YesNo, Notifier::Buttons::RetryCancel})
            answers.push_back(
                notifier.Notify("Disk full", "Recording", Notifier::Icon::Warning, buttons));
    });
    worker.join();  // never waited for the GUI thread
    EXPECT_EQ(answers,
              (std::vector<Notifier::Answer>{Notifier::Answer::Ok, Notifier::Answer::Cancel,
                                             Notifier::Answer::No, Notifier::Answer::Cancel}));
    EXPECT_TRUE(shown.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(shown.size(), 4u);
    for (const Shown& s : shown) {
        EXPECT_TRUE(s.onGuiThread);
        EXPECT_EQ(s.text, "Disk full");
    }
    EXPECT_EQ(shown[2].buttons, Notifier::Buttons::YesNo);
}

TEST_F(Notices, OnceTheProgramIsAskedToEndEveryNoticeIsAnsweredAtOnceWithoutABox) {
    std::thread([&] {
        notifier.Notify("queued", "Recording", Notifier::Icon::Warning, Notifier::Buttons::Ok);
    }).join();
    QtNotifier::CancelOpenNotice();  // a signal came
    EXPECT_EQ(notifier.Notify("Save failed", "velorix", Notifier::Icon::Error,
                              Notifier::Buttons::RetryCancel),
              Notifier::Answer::Cancel);
    QCoreApplication::processEvents();  // the queued one is not shown either
    EXPECT_TRUE(shown.empty());
    // A new window's notifier shows its notices again.
    QtNotifier next;
    next.SetPresenter([](auto&&...) { return Notifier::Answer::Retry; });
    EXPECT_EQ(
        next.Notify("again", "velorix", Notifier::Icon::Error, Notifier::Buttons::RetryCancel),
        Notifier::Answer::Retry);
}

}  // namespace
}  // namespace velorix

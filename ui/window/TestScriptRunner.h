#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>
#include <vector>

#include "TestScript.h"

namespace velorix {

class ReceiverWindow;

// Plays a test script on a started window from the event loop. Clicks and
// keys are posted as the user's would arrive, so a step that opens a modal
// box does not hold the script up; waits are looked at every 20 ms. A step
// that cannot be done (a shot that cannot be written) is told on stderr and
// the script goes on; after "quit" nothing more is done.
class TestScriptRunner : public QObject {
public:
    // `name` names the script in messages.
    TestScriptRunner(ReceiverWindow& window, std::vector<TestStep> steps, std::string name);

    void Start();
    bool Finished() const { return next_ >= steps_.size(); }

private:
    // Runs the steps up to the first wait that has not come to its end.
    void Run();
    void Do(const TestStep& step);
    // Whether the wait `step` has come to its end; the signal is counted
    // from the receiver's blocks since the wait began.
    bool Reached(const TestStep& step);

    ReceiverWindow& window_;
    std::vector<TestStep> steps_;
    std::string name_;
    std::size_t next_ = 0;
    QTimer poll_;
    bool waiting_ = false;
    std::uint64_t blocks_ = 0;
    double signalMs_ = 0.0;
};

}  // namespace velorix

#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace velorix {

// Tasks handed in from any thread and run by the one thread that drains the
// queue: the rigctl server's executor where no event loop runs (the headless
// receiver's main loop).
class TaskQueue {
public:
    void Post(std::function<void()> task) {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        ready_.notify_one();
    }

    // Runs every task waiting; when there is none, waits up to `wait` for one.
    void RunFor(std::chrono::milliseconds wait) {
        std::deque<std::function<void()>> tasks;
        {
            std::unique_lock lock(mutex_);
            ready_.wait_for(lock, wait, [this] { return !tasks_.empty(); });
            tasks.swap(tasks_);
        }
        for (auto& task : tasks)
            task();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace velorix

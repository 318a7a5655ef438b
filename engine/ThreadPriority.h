#pragma once

#include <thread>

namespace velorix {

// Batch: work that nothing waits for in real time (writing a file). Such a
// thread, once woken, waits for the running one to block or use up its time
// slice instead of preempting it, so hand-overs to it gather into runs.
enum class ThreadPriority { Normal, Highest, TimeCritical, Batch };

// True when the environment asks for real-time priorities (VELORIX_RT=1).
bool RealTimePrioritiesRequested();

// Raises the calling thread to `priority` when real-time priorities are
// requested; otherwise, or when the system refuses, the thread silently
// keeps its normal priority. Batch is applied whatever the environment.
// Returns true when the priority was applied.
bool ApplyThreadPriority(ThreadPriority priority);

// Names the calling thread for debuggers (at most 15 characters are kept).
void SetCurrentThreadName(const char* name);

}  // namespace velorix

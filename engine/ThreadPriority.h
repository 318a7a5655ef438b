#pragma once

#include <thread>

namespace velorix {

enum class ThreadPriority { Normal, Highest, TimeCritical };

// True when the environment asks for real-time priorities (VELORIX_RT=1).
bool RealTimePrioritiesRequested();

// Raises the calling thread to `priority` when real-time priorities are
// requested; otherwise, or when the system refuses, the thread silently
// keeps its normal priority. Returns true when the priority was applied.
bool ApplyThreadPriority(ThreadPriority priority);

// Names the calling thread for debuggers (at most 15 characters are kept).
void SetCurrentThreadName(const char* name);

}  // namespace velorix

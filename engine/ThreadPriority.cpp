#include "ThreadPriority.h"

#include <pthread.h>
#include <sched.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace velorix {

bool RealTimePrioritiesRequested() {
    const char* rt = std::getenv("VELORIX_RT");
    return rt != nullptr && std::strcmp(rt, "1") == 0;
}

bool ApplyThreadPriority(ThreadPriority priority) {
    if (priority == ThreadPriority::Batch) {
        sched_param param{};
        return pthread_setschedparam(pthread_self(), SCHED_BATCH, &param) == 0;
    }
    if (priority == ThreadPriority::Normal || !RealTimePrioritiesRequested()) return false;
    const int lo = sched_get_priority_min(SCHED_FIFO);
    const int hi = sched_get_priority_max(SCHED_FIFO);
    if (lo < 0 || hi < 0) return false;
    sched_param param{};
    // "Highest" sits below "time-critical" so the USB reader always wins.
    param.sched_priority = priority == ThreadPriority::TimeCritical ? hi : (lo + hi) / 2;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

void SetCurrentThreadName(const char* name) {
    std::string cut(name);
    if (cut.size() > 15) cut.resize(15);
    pthread_setname_np(pthread_self(), cut.c_str());
}

}  // namespace velorix

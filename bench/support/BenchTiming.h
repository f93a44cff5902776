#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>

#include <time.h>

inline double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The best wall-clock time of a few runs, and the best processor time of this
// thread: on a machine shared with other work the second shows what the
// program itself costs.
struct Timing {
    double wall = 1e100;
    double cpu = 1e100;
};

inline Timing BestOf(int runs, const std::function<void()> &work)
{
    Timing best;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpu = ThreadCpuMs();
        timer.start();
        work();
        best.wall = std::min(best.wall, timer.nsecsElapsed() / 1e6);
        best.cpu = std::min(best.cpu, ThreadCpuMs() - cpu);
    }
    return best;
}

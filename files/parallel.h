// Running a pass over the terrain on every core: one part of the work per thread.
#pragma once

#include <algorithm>
#include <system_error>
#include <thread>

constexpr int MOST_PARALLEL_PARTS = 8;  // a pass is cut into at most this many parts, whatever the machine
// Below this much work (items or bytes) a thread costs more than it saves:
// the parts then run one after the other on this thread.
constexpr long long PARALLEL_MIN_AMOUNT = 1 << 16;

// The parts a pass is cut into: one per core the machine has (two on the
// machines this runs on), 1 to MOST_PARALLEL_PARTS. Asked once; the same for
// the whole run. Every pass combines its parts so that the result does not
// depend on their number.
inline int count_parallel_parts() {
    static const int parts = std::clamp((int)std::thread::hardware_concurrency(), 1, MOST_PARALLEL_PARTS);
    return parts;
}

// Runs work(part) for part 0 .. count_parallel_parts() - 1: the first on this
// thread, the others on threads of their own (or after it, if no thread can
// be started, or when `amount` of work is too little to share). Returns when
// all are done. Parts must not write the same data.
template <typename Work>
void run_parallel_parts(Work work, long long amount = PARALLEL_MIN_AMOUNT) {
    const int parts = count_parallel_parts();
    if (amount < PARALLEL_MIN_AMOUNT) {
        for (int part = 0; part < parts; ++part) work(part);
        return;
    }
    std::thread helpers[MOST_PARALLEL_PARTS];
    bool started[MOST_PARALLEL_PARTS] = {};
    for (int part = 1; part < parts; ++part) {
        try {
            helpers[part] = std::thread([&work, part] { work(part); });
            started[part] = true;
        } catch (const std::system_error&) {
        }
    }
    work(0);
    for (int part = 1; part < parts; ++part) {
        if (started[part]) helpers[part].join();
        else work(part);
    }
}

// The share [first, end) of `count` items that part `part` takes.
inline void parallel_share(long long count, int part, int* first, int* end) {
    const int parts = count_parallel_parts();
    *first = (int)(count * part / parts);
    *end = (int)(count * (part + 1) / parts);
}

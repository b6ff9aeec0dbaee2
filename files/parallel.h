// Running a pass over the terrain on both cores: one part of the work per thread.
#pragma once

#include <system_error>
#include <thread>

constexpr int PARALLEL_PARTS = 2;  // the machines this runs on have two cores
// Below this much work (items or bytes) a thread costs more than it saves:
// the parts then run one after the other on this thread.
constexpr long long PARALLEL_MIN_AMOUNT = 1 << 16;

// Runs work(part) for part 0 .. PARALLEL_PARTS - 1: the first on this thread,
// the others on threads of their own (or after it, if no thread can be
// started, or when `amount` of work is too little to share). Returns when all
// are done. Parts must not write the same data.
template <typename Work>
void run_parallel_parts(Work work, long long amount = PARALLEL_MIN_AMOUNT) {
    if (amount < PARALLEL_MIN_AMOUNT) {
        for (int part = 0; part < PARALLEL_PARTS; ++part) work(part);
        return;
    }
    std::thread helpers[PARALLEL_PARTS];
    bool started[PARALLEL_PARTS] = {};
    for (int part = 1; part < PARALLEL_PARTS; ++part) {
        try {
            helpers[part] = std::thread([&work, part] { work(part); });
            started[part] = true;
        } catch (const std::system_error&) {
        }
    }
    work(0);
    for (int part = 1; part < PARALLEL_PARTS; ++part) {
        if (started[part]) helpers[part].join();
        else work(part);
    }
}

// The share [first, end) of `count` items that part `part` takes.
inline void parallel_share(long long count, int part, int* first, int* end) {
    *first = (int)(count * part / PARALLEL_PARTS);
    *end = (int)(count * (part + 1) / PARALLEL_PARTS);
}

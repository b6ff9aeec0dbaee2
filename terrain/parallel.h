// Running a pass of the loader on both cores: one part of the work per thread.
#pragma once

#include <system_error>
#include <thread>

constexpr int LOAD_THREADS = 2;  // the machines this runs on have two cores

// Runs work(part) for part 0 .. LOAD_THREADS - 1: the first on this thread,
// the others on threads of their own (or after it, if no thread can be
// started). Returns when all are done. Parts must not write the same data.
template <typename Work>
void run_load_parts(Work work) {
    std::thread helpers[LOAD_THREADS];
    bool started[LOAD_THREADS] = {};
    for (int part = 1; part < LOAD_THREADS; ++part) {
        try {
            helpers[part] = std::thread([&work, part] { work(part); });
            started[part] = true;
        } catch (const std::system_error&) {
        }
    }
    work(0);
    for (int part = 1; part < LOAD_THREADS; ++part) {
        if (started[part]) helpers[part].join();
        else work(part);
    }
}

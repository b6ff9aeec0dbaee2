// Definitions of the level threads' state; reset_level_work_state gives every
// start value.
#include "state/level_work_state.h"

LevelWork& level_work = *new LevelWork;
std::thread* level_threads[MOST_LEVEL_THREADS];
bool level_threads_running;
SharedGlContext* level_compile_context;
bool level_compile_context_tried;

void reset_level_work_state() {
    {
        std::lock_guard<std::mutex> hold(level_work.lock);
        level_work.to_build.clear();
        level_work.to_compile.clear();
        level_work.finished.clear();
        level_work.stopping = false;
        level_work.compiler_ready = false;
    }
    level_work.stamps.clear();
    level_work.exact_stamps.clear();
    level_work.installs_waited = 0;
    level_work.faces_emptied = 0;
    level_threads_running = false;
}

namespace {

// The start values hold from before main; the compile context, made once
// for the window's context, is kept by a reset.
[[maybe_unused]] const bool level_context_started = (level_compile_context = nullptr, level_compile_context_tried = false, true);

}  // namespace

[[maybe_unused]] static const bool level_work_state_started = (reset_level_work_state(), true);

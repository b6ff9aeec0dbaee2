// The threads that build the terrain's levels of detail, and the work they share.
//
// Owns: level_work (the queues, their lock, the node stamps and the tiles'
// own-face stamps),
// level_threads, level_threads_running, level_compile_context and
// level_compile_context_tried.
// Lifetime: the session: the threads are stopped before each load and
// started again after it; the shared GL context is made once, at the first
// start, and kept; level_work is never destroyed, since a thread may still
// wait on it while the process exits.
// Writers: terrain/level_lists.cpp alone (the frame's side and the
// threads, under level_work.lock; the stamps under terrain_mesh_lock).
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "files/parallel.h"
#include "state/world_state.h"

constexpr int MOST_LEVEL_THREADS = MOST_PARALLEL_PARTS;  // one a core (count_parallel_parts); the first also compiles

struct SharedGlContext;  // a GL context that shares the window's lists (gl/list_worker.h)

// A node's work for the threads, and what comes back.
struct LevelJob {
    int node = 0;
    bool build = true;                            // false: only compile `levels` again
    int normals = 1;                              // average_normals when queued
    long generation = 0;                          // of the mesh it was queued for
    std::vector<TerrainLevel> member_bases;       // a group's build: its members' bases
    float member_across = 0, member_up = 0;       // and the largest of their errors
    TerrainLevel base;                            // built
    std::vector<TerrainLevel> levels;             // built, or given to compile
    long stamp = -1;                              // the node's stamp when its faces were copied; -1 not yet
    long heights = -1;                            // terrain_heights_revision when the lists' corners were copied
    unsigned lists = 0;                           // compiled lists, or 0 when no thread could compile
    bool exact = false;                           // compile tile `node`'s own faces into its pieces' lists instead
};

// What the threads share.
struct LevelWork {
    std::mutex lock;                    // guards the three queues and the flags
    std::condition_variable changed;
    std::deque<LevelJob> to_build;      // jobs for either thread
    std::deque<LevelJob> to_compile;    // built jobs waiting for the compiling thread
    std::vector<LevelJob> finished;     // for the frame to install
    bool stopping = false;
    bool compiler_ready = false;        // the first thread has its GL context and compiles
    // Per node, grows with every edit of its faces: written by the frame and
    // read by the threads, both under terrain_mesh_lock (not level_work.lock).
    std::vector<long> stamps;
    // Per tile, grows whenever the frame's thread compiles or empties its
    // own-face lists, so that a background compile queued before is dropped
    // (under terrain_mesh_lock, as the stamps).
    std::vector<long> exact_stamps;
    // The frame's thread hands freed memory back to the system every so
    // often: counts towards the next time.
    int installs_waited = 0;   // installs waited for since the start; any value
    long faces_emptied = 0;    // own faces emptied since the last time; >= 0
};

extern LevelWork& level_work;                        // never destroyed
extern std::thread* level_threads[MOST_LEVEL_THREADS];  // joined and deleted by stop_terrain_levels; null when stopped
extern bool level_threads_running;                   // at least one thread started
extern SharedGlContext* level_compile_context;       // the first thread's GL context; null if none could be made
extern bool level_compile_context_tried;             // 1 once making it was tried (it is tried once a session)

// Empties the queues; the threads must be stopped (stop_terrain_levels).
// The compile context, made once for the window's context, stays.
void reset_level_work_state();

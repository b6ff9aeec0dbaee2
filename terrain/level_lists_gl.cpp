// The tiles' levels of detail as display lists. Two threads build them (one
// compiles, on a GL context of its own that shares the window's lists) while
// the frame goes on drawing every tile's own faces; the frame installs what
// is finished and chooses each tile's level once per frame.
//
// The threads read the mesh only while holding terrain_mesh_lock, copying one
// tile out at a time, and stamp what they copied: the mesh generation, the
// tile's edit stamp and the heights revision. The frame installs a result
// only while all three still hold; otherwise it compiles the levels again
// (heights changed: the triangles and their errors stay good) or drops them
// (the tile was edited: a new build is already queued).
#include "terrain/level_lists.h"

#include <GL/gl.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "files/terrain_normals.h"
#include "gl/list_worker.h"
#include "state/terrain_draw_state.h"
#include "state/terrain_levels_state.h"
#include "state/terrain_state.h"
#include "terrain/terrain_levels.h"

constexpr int LEVEL_THREADS = 2;  // both cores; the first also compiles

namespace {

// What the frame keeps of a tile's levels (main thread only).
struct TileLevelState {
    std::vector<TerrainLevel> levels;  // finest first; empty: none built yet
    unsigned lists = 0;                // list of levels[0]; levels[i] is lists + i; 0 when none compiled
    bool drawable = false;             // the lists hold the current heights and normals
    int chosen = 0;                    // level of the last choice; 0: the tile's own faces
};

// A tile's work for the threads, and what comes back.
struct LevelJob {
    int tile = 0;
    bool build = true;                 // false: only compile `levels` again
    int normals = 1;                   // average_normals when queued
    long generation = 0;               // of the mesh it was queued for
    std::vector<TerrainLevel> levels;  // built, or given to compile
    long stamp = -1;                   // the tile's stamp when its faces were copied; -1 not yet
    long heights = -1;                 // terrain_heights_revision when the lists' corners were copied
    unsigned lists = 0;                // compiled lists, or 0 when no thread could compile
};

std::vector<TileLevelState> tiles;  // one per terrain tile while levels are in use; empty otherwise
// What the threads share. Never destroyed: a thread may still wait on it,
// or finish a job, while the process exits.
struct LevelWork {
    std::mutex lock;                    // guards the three queues and the flags
    std::condition_variable changed;
    std::deque<LevelJob> to_build;      // jobs for either thread
    std::deque<LevelJob> to_compile;    // built jobs waiting for the compiling thread
    std::vector<LevelJob> finished;     // for the frame to install
    bool stopping = false;
    bool compiler_ready = false;        // the first thread has its GL context and compiles
    // Per tile, grows with every edit of its faces: written by the frame and
    // read by the threads, both under terrain_mesh_lock (not work.lock).
    std::vector<long> tile_stamps;
};
LevelWork& work = *new LevelWork;
std::thread* threads[LEVEL_THREADS] = {};  // never destroyed while running: joined by stop_terrain_levels
bool threads_running = false;       // at least one thread started
SharedGlContext* compile_context = nullptr;
bool compile_context_tried = false;

// Copies every level's corners as the GL draws them (caller holds the mesh lock).
std::vector<std::vector<LevelCorner>> copy_corners(const std::vector<TerrainLevel>& levels) {
    std::vector<std::vector<LevelCorner>> corners(levels.size());
    for (size_t i = 0; i < levels.size(); ++i) copy_level_corners(levels[i].corners, &corners[i]);
    return corners;
}

// Compiles one list per level from copied corners, into consecutive names.
unsigned compile_levels(const std::vector<std::vector<LevelCorner>>& corners, int normals) {
    if (corners.empty()) return 0;
    unsigned lists = glGenLists((GLsizei)corners.size());
    if (!lists) return 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        glNewList(lists + (unsigned)i, GL_COMPILE);
        glBegin(GL_TRIANGLES);
        const std::vector<LevelCorner>& level = corners[i];
        for (size_t c = 0; c + 2 < level.size(); c += 3) {
            if (!normals) {
                // Flat normals, from the positions as the faces' were at load.
                float positions[9], normal[3];
                for (int k = 0; k < 3; ++k)
                    for (int a = 0; a < 3; ++a) positions[3 * k + a] = level[c + k].position[a];
                face_normal(positions, normal);
                glNormal3fv(normal);
            }
            for (int k = 0; k < 3; ++k) {
                const LevelCorner& corner = level[c + k];
                if (normals) glNormal3fv(corner.normal);
                glTexCoord2fv(corner.texcoord);
                glVertex3fv(corner.position);
            }
        }
        glEnd();
        glEndList();
    }
    return lists;
}

// Builds (if asked) and compiles one job; returns false when its mesh is gone.
bool do_job(LevelJob* job, bool can_compile) {
    if (job->build && job->stamp < 0) {
        TileMeshCopy copy;
        float scale;
        {
            std::lock_guard<std::mutex> hold(terrain_mesh_lock);
            if (job->generation != terrain_mesh_generation) return false;
            copy_tile_mesh(job->tile, &copy);
            job->stamp = work.tile_stamps[job->tile];
            scale = terrain_height_scale;
        }
        build_tile_levels(copy, scale, &job->levels);
    }
    if (!can_compile) return true;
    std::vector<std::vector<LevelCorner>> corners;
    {
        std::lock_guard<std::mutex> hold(terrain_mesh_lock);
        if (job->generation != terrain_mesh_generation) return false;
        corners = copy_corners(job->levels);
        job->heights = terrain_heights_revision;
    }
    job->lists = compile_levels(corners, job->normals);
    glFinish();  // whole before the window's context calls them
    return true;
}

void run_level_thread(int index) {
    bool compiles = index == 0 && compile_context && bind_shared_gl_context(compile_context, true);
    if (compiles) {
        std::lock_guard<std::mutex> hold(work.lock);
        work.compiler_ready = true;
    }
    for (;;) {
        LevelJob job;
        {
            std::unique_lock<std::mutex> hold(work.lock);
            work.changed.wait(hold, [&] { return work.stopping || !work.to_build.empty() || (compiles && !work.to_compile.empty()); });
            if (work.stopping) break;
            if (compiles && !work.to_compile.empty()) {
                job = std::move(work.to_compile.front());
                work.to_compile.pop_front();
            } else {
                job = std::move(work.to_build.front());
                work.to_build.pop_front();
            }
        }
        // A thread that cannot compile hands built jobs to the one that can
        // (or, with none, to the frame).
        bool alive = do_job(&job, compiles);
        std::lock_guard<std::mutex> hold(work.lock);
        if (alive && !compiles && work.compiler_ready) work.to_compile.push_back(std::move(job));
        else work.finished.push_back(std::move(job));
        work.changed.notify_all();
    }
    if (compiles) bind_shared_gl_context(compile_context, false);
}

void start_threads() {
    if (threads[0]) return;
    if (!compile_context_tried) {
        compile_context = make_shared_gl_context();
        compile_context_tried = true;
    }
    {
        std::lock_guard<std::mutex> hold(work.lock);
        work.stopping = false;
        work.compiler_ready = false;
    }
    threads_running = false;
    for (int i = 0; i < LEVEL_THREADS; ++i) {
        try {
            threads[i] = new std::thread(run_level_thread, i);
            threads_running = true;
        } catch (const std::system_error&) {
            threads[i] = nullptr;
        }
    }
}

void queue_job(LevelJob job) {
    ++terrain_levels_pending;
    std::lock_guard<std::mutex> hold(work.lock);
    if (!threads_running) {
        // No thread to hand it to: the frame's thread does the work.
        do_job(&job, true);
        work.finished.push_back(std::move(job));
        return;
    }
    if (job.build || !work.compiler_ready) work.to_build.push_back(std::move(job));
    else work.to_compile.push_back(std::move(job));
    work.changed.notify_all();
}

void delete_tile_lists(TileLevelState& tile) {
    if (tile.lists) glDeleteLists(tile.lists, (GLsizei)tile.levels.size());
    tile.lists = 0;
    tile.drawable = false;
}

// Puts a finished job in place, compiles it again, or drops it.
void install(LevelJob& job) {
    --terrain_levels_pending;
    bool fits = job.generation == terrain_mesh_generation && job.tile >= 0 && job.tile < (int)tiles.size();
    if (!fits || job.stamp != work.tile_stamps[job.tile]) {
        if (job.lists) glDeleteLists(job.lists, (GLsizei)job.levels.size());
        return;
    }
    TileLevelState& tile = tiles[job.tile];
    delete_tile_lists(tile);
    if (!job.lists && !job.levels.empty()) {
        // No thread could compile it: the frame does.
        job.lists = compile_levels(copy_corners(job.levels), job.normals);
        job.heights = terrain_heights_revision;
    }
    tile.levels = std::move(job.levels);
    tile.lists = job.lists;
    tile.drawable = job.lists && job.heights == terrain_heights_revision && job.normals == average_normals;
    if (!tile.drawable && !tile.levels.empty()) {
        delete_tile_lists(tile);
        LevelJob again;
        again.tile = job.tile;
        again.build = false;
        again.normals = average_normals;
        again.generation = terrain_mesh_generation;
        again.stamp = work.tile_stamps[job.tile];
        again.levels = tile.levels;
        queue_job(std::move(again));
    }
}

void install_finished() {
    std::vector<LevelJob> done;
    {
        std::lock_guard<std::mutex> hold(work.lock);
        done.swap(work.finished);
    }
    for (LevelJob& job : done) install(job);
    if (terrain_levels_announced && terrain_levels_pending == 0) {
        printf("Done!\n");
        fflush(stdout);
        terrain_levels_announced = 0;
    }
}

}  // namespace

void stop_terrain_levels() {
    {
        std::lock_guard<std::mutex> hold(work.lock);
        work.stopping = true;
        work.changed.notify_all();
    }
    for (std::thread*& thread : threads) {
        if (!thread) continue;
        thread->join();
        delete thread;
        thread = nullptr;
    }
    for (LevelJob& job : work.finished)
        if (job.lists) glDeleteLists(job.lists, (GLsizei)job.levels.size());
    work.finished.clear();
    work.to_build.clear();
    work.to_compile.clear();
    for (TileLevelState& tile : tiles) delete_tile_lists(tile);
    tiles.clear();
    work.tile_stamps.clear();
    threads_running = false;
    terrain_levels_pending = 0;
    terrain_levels_announced = 0;
}

void start_terrain_levels() {
    stop_terrain_levels();
    if (!terrain_levels_wanted() || terrain_tile_count <= 0) return;
    tiles.assign((size_t)terrain_tile_count, TileLevelState());
    work.tile_stamps.assign((size_t)terrain_tile_count, 0);
    start_threads();
    for (int t = 0; t < terrain_tile_count; ++t) {
        LevelJob job;
        job.tile = t;
        job.normals = average_normals;
        job.generation = terrain_mesh_generation;
        queue_job(std::move(job));
    }
}

void rebuild_terrain_tile_levels(int tile) {
    if (tile < 0 || tile >= (int)tiles.size()) return;
    TileLevelState& state = tiles[tile];
    {
        std::lock_guard<std::mutex> hold(terrain_mesh_lock);
        ++work.tile_stamps[tile];
    }
    delete_tile_lists(state);
    state.levels.clear();
    state.chosen = 0;
    LevelJob job;
    job.tile = tile;
    job.normals = average_normals;
    job.generation = terrain_mesh_generation;
    queue_job(std::move(job));
}

void recompile_terrain_levels() {
    for (int t = 0; t < (int)tiles.size(); ++t) {
        TileLevelState& tile = tiles[t];
        tile.chosen = 0;
        if (tile.levels.empty()) continue;  // not built yet, or being rebuilt: compiled with what is current then
        delete_tile_lists(tile);
        LevelJob job;
        job.tile = t;
        job.build = false;
        job.normals = average_normals;
        job.generation = terrain_mesh_generation;
        job.stamp = work.tile_stamps[t];
        job.levels = tile.levels;
        queue_job(std::move(job));
    }
}

void choose_terrain_levels() {
    if (tiles.empty()) return;
    install_finished();
    double projection[16], modelview[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetIntegerv(GL_VIEWPORT, viewport);
    LevelView view;
    bool seen = make_level_view(projection, modelview, viewport[3], &view);
    double errors[TERRAIN_MAX_LEVELS];
    for (int t = 0; t < (int)tiles.size() && t < terrain_tile_count; ++t) {
        TileLevelState& tile = tiles[t];
        tile.chosen = 0;
        if (!seen || !tile.drawable || terrain_tiles[t].unbounded) continue;
        int count = (int)tile.levels.size();
        for (int i = 0; i < count; ++i) errors[i] = terrain_level_error(tile.levels[i], terrain_height_scale);
        double distance = distance_to_box(view.eye, terrain_tiles[t].box_min, terrain_tiles[t].box_max);
        tile.chosen = choose_terrain_level(errors, count, distance, view.pixels_per_unit, terrain_lod_error);
    }
}

unsigned terrain_tile_level_list(int tile, long* faces) {
    if (tile < 0 || tile >= (int)tiles.size()) return 0;
    const TileLevelState& state = tiles[tile];
    if (state.chosen <= 0 || !state.drawable) return 0;
    *faces = (long)(state.levels[state.chosen - 1].corners.size() / 3);
    return state.lists + (unsigned)(state.chosen - 1);
}

int terrain_tile_level(int tile) {
    if (tile < 0 || tile >= (int)tiles.size() || !tiles[tile].drawable) return 0;
    return tiles[tile].chosen;
}

void wait_for_terrain_levels() {
    while (terrain_levels_pending > 0) {
        {
            std::unique_lock<std::mutex> hold(work.lock);
            work.changed.wait(hold, [] { return !work.finished.empty() || work.stopping; });
            if (work.stopping) return;
        }
        install_finished();
    }
    install_finished();
}

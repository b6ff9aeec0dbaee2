// The terrain's levels of detail as display lists. Every tile has coarser
// levels of its own faces; groups of two by two neighbouring tiles (or
// groups), up to one group for the whole terrain, have coarser levels of
// their members' bases (simplified with their borders kept, so that they
// meet), so that distant ground costs few faces however many tiles it
// spans. A level's border may be thinner than its neighbour's: skirts hang
// from it, compiled into its list, so that no gap shows between them.
//
// Two threads build the levels (one compiles them, on a GL context of its
// own that shares the window's lists) while the frame goes on drawing every
// tile's own faces; the frame installs what is finished, queues a group once
// all its members have bases, and chooses what to draw once per frame.
//
// The threads read the mesh only while holding terrain_mesh_lock, copying one
// tile or group out at a time, and stamp what they copied: the mesh
// generation, the node's edit stamp and the heights revision. The frame
// installs a result only while all three still hold; otherwise it compiles
// the levels again (heights changed: the triangles and their errors stay
// good) or drops them (an edit touched the node: a new build is queued).
#include "terrain/level_lists.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <malloc.h>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "files/parallel.h"
#include "files/whole_file.h"
#include "gl/list_worker.h"
#include "state/level_work_state.h"
#include "state/session_state.h"
#include "state/terrain_draw_state.h"
#include "state/world_state.h"
#include "terrain/level_cache.h"
#include "terrain/level_shading.h"
#include "terrain/terrain_levels.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_tiles.h"

constexpr double CHOICE_MARGIN = 0.05;  // device units (a fortieth of the window) beyond each side
constexpr int TRIM_EVERY_INSTALLS = 64;  // waited-for installs between handing freed memory back
constexpr long TRIM_EVERY_FACES = 1 << 18;  // own faces emptied between handing freed memory back

namespace {

// Copies every level's corners as the GL draws them (caller holds the mesh lock).
std::vector<LevelDrawing> copy_corners(const std::vector<TerrainLevel>& levels) {
    std::vector<LevelDrawing> drawings(levels.size());
    for (size_t i = 0; i < levels.size(); ++i) {
        std::vector<int> ids = levels[i].corners;
        ids.insert(ids.end(), levels[i].skirt.begin(), levels[i].skirt.end());
        copy_level_corners(ids, &drawings[i].corners);
        // The summed normals of the ground each corner stands for, where
        // measured, drawn at unit length as every other normal is.
        for (size_t c = 0; c < ids.size(); ++c) {
            if (const float* n = level_corner_normal(levels[i], ids[c])) {
                float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                if (!(length > 0.0f) || !std::isfinite(length)) continue;
                for (int k = 0; k < 3; ++k) drawings[i].corners[c].normal[k] = n[k] / length;
            }
        }
        drawings[i].triangle_corners = levels[i].corners.size();
        drawings[i].skirt_depth = (levels[i].skirt_up + levels[i].lift_up) * terrain_height_scale;
        drawings[i].lift = levels[i].lift_up * terrain_height_scale;
        for (LevelCorner& corner : drawings[i].corners) corner.position[1] += drawings[i].lift;
    }
    return drawings;
}

// Compiles a tile's own faces into its pieces' lists, unless the frame has
// compiled them since the job was queued; false when its mesh is gone. The
// mesh lock is held throughout, so that the frame never compiles the same
// lists at once.
bool do_exact_job(LevelJob* job) {
    {
        std::lock_guard<std::mutex> hold(terrain_mesh_lock);
        if (job->generation != terrain_mesh_generation) return false;
        if (job->node < 0 || job->node >= (int)level_work.exact_stamps.size() ||
            job->stamp != level_work.exact_stamps[job->node])
            return true;
        compile_terrain_tile_lists(job->node, job->normals, false);
        job->lists = 1;
    }
    finish_level_lists();  // whole before the window's context calls them
    return true;
}

// Builds (if asked) and compiles one job; returns false when its mesh is gone.
bool do_job(LevelJob* job, bool can_compile) {
    if (job->exact) return can_compile ? do_exact_job(job) : true;
    if (job->build && job->stamp < 0) {
        TileMeshCopy copy;
        float scale;
        {
            std::lock_guard<std::mutex> hold(terrain_mesh_lock);
            if (job->generation != terrain_mesh_generation) return false;
            if (job->member_bases.empty()) {
                copy_tile_mesh(job->node, &copy);
            } else {
                std::vector<const TerrainLevel*> bases;
                for (const TerrainLevel& base : job->member_bases) bases.push_back(&base);
                copy_group_bases(bases, &copy);
            }
            job->stamp = level_work.stamps[job->node];
            scale = terrain_height_scale;
            for (int k = 0; k < 2; ++k) {
                copy.ground_min[k] = level_ground_min[k];
                copy.ground_max[k] = level_ground_max[k];
            }
        }
        build_tile_levels(copy, scale, &job->levels, &job->base);
        add_level_error(&job->levels, job->member_across, job->member_up);
        std::vector<TerrainLevel> base(1, std::move(job->base));
        add_level_error(&base, job->member_across, job->member_up);
        job->base = std::move(base[0]);
        job->member_bases.clear();
    }
    if (!can_compile) return true;
    std::vector<LevelDrawing> corners;
    {
        std::lock_guard<std::mutex> hold(terrain_mesh_lock);
        if (job->generation != terrain_mesh_generation) return false;
        corners = copy_corners(job->levels);
        job->heights = terrain_heights_revision;
    }
    job->lists = compile_level_lists(corners, job->normals);
    finish_level_lists();  // whole before the window's context calls them
    return true;
}

void run_level_thread(int index) {
    bool compiles = index == 0 && level_compile_context && bind_shared_gl_context(level_compile_context, true);
    if (compiles) {
        std::lock_guard<std::mutex> hold(level_work.lock);
        level_work.compiler_ready = true;
    }
    for (;;) {
        LevelJob job;
        {
            std::unique_lock<std::mutex> hold(level_work.lock);
            level_work.changed.wait(hold, [&] {
                return level_work.stopping || !level_work.to_build.empty() || (compiles && !level_work.to_compile.empty());
            });
            if (level_work.stopping) break;
            if (compiles && !level_work.to_compile.empty()) {
                job = std::move(level_work.to_compile.front());
                level_work.to_compile.pop_front();
            } else {
                job = std::move(level_work.to_build.front());
                level_work.to_build.pop_front();
            }
        }
        // A thread that cannot compile hands built jobs to the one that can
        // (or, with none, to the frame).
        bool alive = do_job(&job, compiles);
        std::lock_guard<std::mutex> hold(level_work.lock);
        if (alive && !compiles && level_work.compiler_ready) level_work.to_compile.push_back(std::move(job));
        else level_work.finished.push_back(std::move(job));
        level_work.changed.notify_all();
    }
    if (compiles) bind_shared_gl_context(level_compile_context, false);
}

void start_threads() {
    if (level_threads[0]) return;
    if (!level_compile_context_tried) {
        level_compile_context = make_shared_gl_context();
        level_compile_context_tried = true;
    }
    {
        std::lock_guard<std::mutex> hold(level_work.lock);
        level_work.stopping = false;
        level_work.compiler_ready = false;
    }
    level_threads_running = false;
    for (int i = 0; i < count_parallel_parts(); ++i) {
        try {
            level_threads[i] = new std::thread(run_level_thread, i);
            level_threads_running = true;
        } catch (const std::system_error&) {
            level_threads[i] = nullptr;
        }
    }
}

void queue_job(LevelJob job) {
    ++terrain_levels_pending;
    std::lock_guard<std::mutex> hold(level_work.lock);
    if (!level_threads_running) {
        // No thread to hand it to: the frame's thread does the work.
        do_job(&job, true);
        level_work.finished.push_back(std::move(job));
        return;
    }
    if (job.build || !level_work.compiler_ready) level_work.to_build.push_back(std::move(job));
    else level_work.to_compile.push_back(std::move(job));
    level_work.changed.notify_all();
}

void queue_build(int node) {
    LevelNode& n = level_nodes[node];
    LevelJob job;
    job.node = node;
    job.normals = average_normals;
    job.generation = terrain_mesh_generation;
    for (int m : n.members) {
        job.member_bases.push_back(level_nodes[m].base);
        job.member_across = std::max(job.member_across, level_nodes[m].base.error_across);
        job.member_up = std::max(job.member_up, level_nodes[m].base.error_up);
    }
    n.queued = true;
    queue_job(std::move(job));
}

void queue_compile(int node) {
    LevelJob job;
    job.node = node;
    job.build = false;
    job.normals = average_normals;
    job.generation = terrain_mesh_generation;
    job.stamp = level_work.stamps[node];
    // Moved, not copied: every node's levels are queued at once after a
    // load from the cache or an exaggeration step, and copies would double them.
    job.levels = std::move(level_nodes[node].levels);
    level_nodes[node].levels.clear();
    level_nodes[node].compiling = true;
    queue_job(std::move(job));
}

void delete_node_lists(LevelNode& node) {
    delete_level_lists(node.lists, (int)node.levels.size());
    node.lists = 0;
    node.drawable = false;
}

// A group is built from its members' finest levels, once every member has
// them; a tile that let its base go is built again for it.
void queue_group_if_ready(int group) {
    if (group < 0 || level_nodes[group].queued || !level_nodes[group].base.corners.empty()) return;
    bool ready = true;
    for (int m : level_nodes[group].members) {
        LevelNode& member = level_nodes[m];
        if (!member.base.corners.empty()) continue;
        ready = false;
        if (member.base_dropped && !member.queued) queue_build(m);
    }
    if (ready) queue_build(group);
}

// Once a group is built, its tiles' bases are needed only if it must be
// built again (after an edit under it): they go (a quarter of the faces'
// corners and normals; rebuilding three tiles is cheap), unless the cache is
// still to be written from them.
void drop_member_bases(int group) {
    if (level_cache_to_write || group < 0 || level_nodes[group].base.corners.empty()) return;
    for (int m : level_nodes[group].members) {
        LevelNode& member = level_nodes[m];
        if (m >= terrain_tile_count || member.base.corners.empty()) continue;
        member.base = TerrainLevel();
        member.base_dropped = true;
    }
}

void drop_tile_bases() {
    for (int n = terrain_tile_count; n < (int)level_nodes.size(); ++n) drop_member_bases(n);
}

long tile_faces(int tile) {
    const TerrainTile& t = terrain_tiles[tile];
    long faces = 0;
    for (int s = 0; s < t.piece_count; ++s) {
        const TerrainPiece& piece = terrain_pieces[terrain_tile_pieces[t.first_slot + s]];
        faces += piece.face_end - piece.first_face;
    }
    return faces;
}

bool exact_tile_known(int tile) {
    return terrain_exact_on_demand && tile >= 0 && tile < (int)terrain_tile_exact.size() &&
           tile < terrain_tile_count && tile < (int)level_work.exact_stamps.size();
}

void count_tile_held(int tile) {
    if (terrain_tile_exact[tile] != EXACT_READY) terrain_exact_faces_held += tile_faces(tile);
    terrain_tile_exact[tile] = EXACT_READY;
    terrain_tile_exact_used[tile] = terrain_level_choices;
}

void queue_exact(int tile) {
    LevelJob job;
    job.node = tile;
    job.build = false;
    job.exact = true;
    job.normals = average_normals;
    job.generation = terrain_mesh_generation;
    job.stamp = level_work.exact_stamps[tile];  // only this thread writes it
    terrain_tile_exact[tile] = EXACT_QUEUED;
    queue_job(std::move(job));
}

// A tile's own faces compiled in the background: now held, unless the
// frame compiled them itself since (or the mesh is another).
void install_exact(LevelJob& job) {
    --terrain_levels_pending;
    int tile = job.node;
    if (job.generation != terrain_mesh_generation || !exact_tile_known(tile)) return;
    if (job.stamp != level_work.exact_stamps[tile]) {
        if (terrain_tile_exact[tile] == EXACT_QUEUED) terrain_tile_exact[tile] = EXACT_NONE;
        return;
    }
    if (!job.lists) {
        // No thread could compile it: the frame does.
        claim_terrain_tile_lists(tile);
        compile_terrain_tile_lists(tile, average_normals, true);
        return;
    }
    count_tile_held(tile);
}

// Puts a finished job in place, compiles it again, or drops it.
void install(LevelJob& job) {
    if (job.exact) {
        install_exact(job);
        return;
    }
    --terrain_levels_pending;
    bool fits = job.generation == terrain_mesh_generation && job.node >= 0 && job.node < (int)level_nodes.size();
    if (!fits || job.stamp != level_work.stamps[job.node]) {
        delete_level_lists(job.lists, (int)job.levels.size());
        return;
    }
    LevelNode& node = level_nodes[job.node];
    if (job.build) node.queued = false;
    node.compiling = false;
    delete_node_lists(node);
    if (!job.lists && !job.levels.empty()) {
        // No thread could compile it: the frame does.
        job.lists = compile_level_lists(copy_corners(job.levels), job.normals);
        job.heights = terrain_heights_revision;
    }
    if (job.build) {
        node.base = std::move(job.base);
        node.base_dropped = false;
        drop_member_bases(job.node);
    }
    node.levels = std::move(job.levels);
    node.lists = job.lists;
    node.drawable = job.lists && job.heights == terrain_heights_revision && job.normals == average_normals;
    if (!node.drawable && !node.levels.empty()) {
        delete_node_lists(node);
        queue_compile(job.node);
    }
    if (!node.base.corners.empty()) queue_group_if_ready(node.parent);
}

void install_finished() {
    std::vector<LevelJob> done;
    {
        std::lock_guard<std::mutex> hold(level_work.lock);
        done.swap(level_work.finished);
    }
    for (LevelJob& job : done) install(job);
    if (terrain_levels_announced && terrain_levels_pending == 0) {
        printf("Done!\n");
        fflush(stdout);
        terrain_levels_announced = 0;
    }
    if (level_cache_to_write && terrain_levels_pending == 0) {
        // Every level of the mesh as loaded is built: kept for the next load.
        level_cache_to_write = 0;
        char error[WHOLE_FILE_PATH_SIZE + 128];
        if (terrain_level_cache_wanted() && !write_level_cache(error, sizeof error)) {
            printf("The detail levels are not kept: %s\n", error);
            fflush(stdout);
        }
        drop_tile_bases();
    }
}

// Sets the boxes of `node` and its members from the tiles' current boxes.
void refresh_node_box(int node) {
    LevelNode& n = level_nodes[node];
    if (n.members.empty()) {
        const TerrainTile& tile = terrain_tiles[node];
        std::copy(tile.box_min, tile.box_min + 3, n.box_min);
        std::copy(tile.box_max, tile.box_max + 3, n.box_max);
        n.unbounded = tile.unbounded;
        return;
    }
    for (int k = 0; k < 3; ++k) {
        n.box_min[k] = INFINITY;
        n.box_max[k] = -INFINITY;
    }
    n.unbounded = false;
    for (int m : n.members) {
        refresh_node_box(m);
        for (int k = 0; k < 3; ++k) {
            n.box_min[k] = std::min(n.box_min[k], level_nodes[m].box_min[k]);
            n.box_max[k] = std::max(n.box_max[k], level_nodes[m].box_max[k]);
        }
        n.unbounded = n.unbounded || level_nodes[m].unbounded;
    }
}

long level_faces(const TerrainLevel& level) { return (long)(level.corners.size() / 3 + 2 * (level.skirt.size() / 3)); }

// Chooses for `node` and what it holds, and returns the faces that costs
// where the view sees them: the node as a whole at its coarsest level within
// the bound, else its members each as they choose (a tile: its own faces).
// A group partly outside the view costs all its faces for the part seen: it
// is drawn whole only when that is no dearer than its seen members.
long choose_node(int node, const LevelView& view) {
    LevelNode& n = level_nodes[node];
    n.chosen = 0;
    int level = 0;
    if (n.drawable && !n.unbounded) {
        double errors[TERRAIN_MAX_LEVELS];
        int count = (int)n.levels.size();
        for (int i = 0; i < count; ++i) errors[i] = terrain_level_error(n.levels[i], terrain_height_scale);
        level = choose_terrain_level(errors, count, distance_to_box(view.eye, n.box_min, n.box_max),
                                     view.pixels_per_unit, terrain_lod_error);
    }
    if (n.members.empty()) {
        // A tile unseen now costs nothing, but takes its level all the same:
        // a stereo eye may see it.
        n.chosen = level;
        if (level > 0) level_tile_cover[node] = node;
        if (!terrain_tile_visible[node]) return 0;
        return level > 0 ? level_faces(n.levels[level - 1]) : level_tile_faces[node];
    }
    long parts = 0;
    for (int m : n.members) parts += choose_node(m, view);
    if (level == 0 || parts == 0) return parts;
    long whole = level_faces(n.levels[level - 1]);
    bool all_seen = true;
    for (int i = n.first_tile; i < n.tile_end && all_seen; ++i) all_seen = terrain_tile_visible[level_group_tiles[i]];
    if (!all_seen && whole > parts) return parts;
    n.chosen = level;
    for (int i = n.first_tile; i < n.tile_end; ++i) level_tile_cover[level_group_tiles[i]] = node;
    return whole;
}

// After the choice: a tile drawn with its own faces that holds none has them
// queued (if seen) and its finest level stands in meanwhile; those held but
// not drawn go, least recently drawn first, beyond the budget. Returns how
// many it queued. Wire frame and points show every face: the draw compiles
// what they lack.
int choose_exact_tiles() {
    if (!terrain_exact_on_demand || (int)terrain_tile_exact.size() != terrain_tile_count) return 0;
    bool outlines = render_mode != RENDER_FILLED;
    long choice = terrain_level_choices;
    int queued = 0;
    for (int t = 0; t < terrain_tile_count; ++t) {
        if (!outlines && level_tile_cover[t] >= 0) continue;
        if (terrain_tile_exact[t] == EXACT_READY) {
            if (terrain_tile_visible[t]) terrain_tile_exact_used[t] = choice;
            continue;
        }
        if (outlines) continue;
        if (terrain_tile_exact[t] == EXACT_NONE && terrain_tile_visible[t]) {
            queue_exact(t);
            ++queued;
        }
        if (terrain_tile_has_level(t)) {
            level_nodes[t].chosen = 1;
            level_tile_cover[t] = t;
        }
    }
    if (terrain_exact_faces_held <= terrain_exact_face_budget) return queued;
    std::vector<std::pair<long, int>> idle;  // (last drawn, tile)
    for (int t = 0; t < terrain_tile_count; ++t)
        if (terrain_tile_exact[t] == EXACT_READY && terrain_tile_exact_used[t] < choice && terrain_tile_has_level(t))
            idle.push_back({terrain_tile_exact_used[t], t});
    std::sort(idle.begin(), idle.end());
    for (const auto& [used, t] : idle) {
        if (terrain_exact_faces_held <= terrain_exact_face_budget) break;
        empty_terrain_tile_lists(t);
        terrain_tile_exact[t] = EXACT_NONE;
        terrain_exact_faces_held -= tile_faces(t);
        level_work.faces_emptied += tile_faces(t);
    }
    if (level_work.faces_emptied >= TRIM_EVERY_FACES) {
        // Mesa frees an emptied list's vertices; malloc keeps them otherwise.
        malloc_trim(0);
        level_work.faces_emptied = 0;
    }
    return queued;
}

// One choice of levels and own-face lists; returns how many tiles it queued.
int choose_once() {
    install_finished();
    ++terrain_level_choices;
    double projection[16], modelview[16];
    int viewport_height = 0;
    read_level_view(projection, modelview, &viewport_height);
    std::fill(level_tile_cover.begin(), level_tile_cover.end(), -1);
    for (LevelNode& node : level_nodes) node.chosen = 0;
    // What the view sees, to weigh the choices (the draw marks it again for
    // each eye); a wider margin takes in what an eye beside this view sees.
    TerrainFrustum frustum;
    make_terrain_frustum(projection, modelview, CHOICE_MARGIN, CHOICE_MARGIN, &frustum);
    mark_visible_terrain_tiles(&frustum);
    LevelView view;
    if (make_level_view(projection, modelview, viewport_height, &view)) {
        for (int root : level_roots) {
            refresh_node_box(root);
            choose_node(root, view);
        }
    }
    return choose_exact_tiles();
}

// Drops the levels of `node` and of every group above it, so that their
// ground is drawn from what lies below until they are built again.
void drop_levels_upwards(int node) {
    for (int n = node; n >= 0; n = level_nodes[n].parent) {
        {
            std::lock_guard<std::mutex> hold(terrain_mesh_lock);
            ++level_work.stamps[n];
        }
        delete_node_lists(level_nodes[n]);
        level_nodes[n].levels.clear();
        level_nodes[n].base = TerrainLevel();
        level_nodes[n].queued = false;
        level_nodes[n].compiling = false;
        level_nodes[n].base_dropped = false;
        level_nodes[n].chosen = 0;
    }
}

}  // namespace

void stop_terrain_levels() {
    {
        std::lock_guard<std::mutex> hold(level_work.lock);
        level_work.stopping = true;
        level_work.changed.notify_all();
    }
    for (std::thread*& thread : level_threads) {
        if (!thread) continue;
        thread->join();
        delete thread;
        thread = nullptr;
    }
    for (LevelJob& job : level_work.finished) delete_level_lists(job.lists, (int)job.levels.size());
    level_work.finished.clear();
    level_work.to_build.clear();
    level_work.to_compile.clear();
    for (LevelNode& node : level_nodes) delete_node_lists(node);
    level_nodes.clear();
    level_group_tiles.clear();
    level_roots.clear();
    level_tile_cover.clear();
    level_tile_faces.clear();
    level_work.stamps.clear();
    level_threads_running = false;
    terrain_levels_pending = 0;
    terrain_levels_announced = 0;
    drop_level_shading();
}

bool start_terrain_levels() {
    stop_terrain_levels();
    if (!terrain_levels_wanted() || terrain_tile_count <= 0) return false;
    lay_out_level_shading();
    make_level_nodes();
    level_work.stamps.assign(level_nodes.size(), 0);
    level_tile_cover.assign((size_t)terrain_tile_count, -1);
    start_threads();
    level_cache_to_write = 0;
    if (terrain_level_cache_wanted()) {
        if (read_level_cache()) {
            // Only the lists are left to make: before the first frame, which
            // then draws the levels (the tiles' bases go first, to make room).
            drop_tile_bases();
            for (int n = 0; n < (int)level_nodes.size(); ++n)
                if (!level_nodes[n].levels.empty()) queue_compile(n);
            wait_for_terrain_levels();
            return true;
        }
        level_cache_to_write = 1;
    }
    for (int t = 0; t < terrain_tile_count; ++t) queue_build(t);
    return false;
}

void rebuild_terrain_tile_levels(int tile) {
    if (tile < 0 || tile >= terrain_tile_count || tile >= (int)level_nodes.size()) return;
    drop_levels_upwards(tile);
    level_tile_cover[tile] = -1;
    queue_build(tile);
}

void recompile_terrain_levels() {
    if (!level_nodes.empty()) lay_out_level_shading();
    for (int n = 0; n < (int)level_nodes.size(); ++n) {
        LevelNode& node = level_nodes[n];
        node.chosen = 0;
        if (node.levels.empty()) continue;  // not built yet, or being rebuilt: compiled with what is current then
        delete_node_lists(node);
        queue_compile(n);
    }
    std::fill(level_tile_cover.begin(), level_tile_cover.end(), -1);
}

void choose_terrain_levels() {
    if (level_nodes.empty()) return;
    if (choose_once() > 0 && terrain_exact_waits) {
        // The same picture however fast the lists are compiled: choose again
        // once they are.
        wait_for_terrain_levels();
        choose_once();
    }
}

bool terrain_tile_drawn_by_level(int tile, long draw, unsigned* list, long* faces) {
    if (tile < 0 || tile >= (int)level_tile_cover.size() || level_tile_cover[tile] < 0) return false;
    LevelNode& node = level_nodes[level_tile_cover[tile]];
    *list = 0;
    *faces = 0;
    if (node.drawn_in == draw) return true;  // called already for another of its tiles or pieces
    node.drawn_in = draw;
    *list = node.lists + (unsigned)(node.chosen - 1);
    *faces = level_faces(node.levels[node.chosen - 1]);
    return true;
}

int terrain_tile_level(int tile) {
    if (tile < 0 || tile >= (int)level_tile_cover.size() || level_tile_cover[tile] < 0) return 0;
    return level_nodes[level_tile_cover[tile]].chosen;
}

void wait_for_terrain_level_lists() {
    auto compiling = [] {
        for (const LevelNode& node : level_nodes)
            if (node.compiling || (!node.levels.empty() && !node.drawable)) return true;
        return false;
    };
    install_finished();
    while (compiling() && terrain_levels_pending > 0) {
        {
            std::unique_lock<std::mutex> hold(level_work.lock);
            level_work.changed.wait(hold, [] { return !level_work.finished.empty() || level_work.stopping; });
            if (level_work.stopping) return;
        }
        install_finished();
    }
}

void reset_terrain_exact_lists(bool on_demand) {
    terrain_exact_on_demand = on_demand;
    terrain_exact_faces_held = 0;
    size_t tiles = on_demand ? (size_t)terrain_tile_count : 0;
    terrain_tile_exact.assign(tiles, EXACT_NONE);
    terrain_tile_exact_used.assign(tiles, -1);
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
    level_work.exact_stamps.assign(tiles, 0);
}

void mark_terrain_tiles_compiled() {
    if (!terrain_exact_on_demand) return;
    for (int t = 0; t < (int)terrain_tile_exact.size(); ++t) count_tile_held(t);
    std::fill(terrain_tile_exact_used.begin(), terrain_tile_exact_used.end(), -1);
}

void claim_terrain_tile_lists(int tile) {
    if (!exact_tile_known(tile)) return;
    {
        std::lock_guard<std::mutex> hold(terrain_mesh_lock);
        ++level_work.exact_stamps[tile];
    }
    count_tile_held(tile);
}

void restart_terrain_exact_lists() {
    if (!terrain_exact_on_demand) return;
    {
        std::lock_guard<std::mutex> hold(terrain_mesh_lock);
        for (long& stamp : level_work.exact_stamps) ++stamp;
    }
    for (unsigned char& state : terrain_tile_exact)
        if (state == EXACT_QUEUED) state = EXACT_NONE;
}

void hold_terrain_tile_lists(int tile) {
    if (!exact_tile_known(tile)) return;
    if (terrain_tile_exact[tile] != EXACT_READY) {
        claim_terrain_tile_lists(tile);
        compile_terrain_tile_lists(tile, average_normals, true);
    }
    terrain_tile_exact_used[tile] = terrain_level_choices;
}

bool terrain_tile_has_level(int tile) {
    if (tile < 0 || tile >= (int)level_nodes.size() || tile >= terrain_tile_count) return false;
    const LevelNode& node = level_nodes[tile];
    return node.members.empty() && node.drawable && !node.levels.empty() && node.lists;
}

int terrain_exact_tiles_held() {
    if (!terrain_exact_on_demand) return terrain_piece_lists ? terrain_tile_count : 0;
    int held = 0;
    for (unsigned char state : terrain_tile_exact) held += state == EXACT_READY;
    return held;
}

void wait_for_terrain_levels() {
    while (terrain_levels_pending > 0) {
        {
            std::unique_lock<std::mutex> hold(level_work.lock);
            level_work.changed.wait(hold, [] { return !level_work.finished.empty() || level_work.stopping; });
            if (level_work.stopping) return;
        }
        install_finished();
        // Compiling every level at once frees as much as it keeps, in small
        // pieces that malloc would otherwise hold on to.
        if (++level_work.installs_waited % TRIM_EVERY_INSTALLS == 0) malloc_trim(0);
    }
    install_finished();
}

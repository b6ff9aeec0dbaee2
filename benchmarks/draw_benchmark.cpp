// Drawing large terrains: the tiled, culled frame against the whole terrain
// in one display list (the reference), over a fixed camera path, with the
// pixels of every frame compared first; the same path with levels of detail
// (1 pixel) at 2 and 8 million faces and on an imported raster, against the
// exact frame of the default world's size, with every frame's picture
// compared to exact drawing; then a vertex edit with its rebuild and an
// exaggeration step, each against recompiling the one list.
// Needs a window: run under xvfb-run. Instead of the benchmarks,
// "--frames CELLS" lists every frame of the path both ways,
// "--peak-memory CELLS [TILE_FACES] [--levels]" loads one grid (and waits
// for its levels), draws one frame and prints the peak resident memory, and
// "--memory CELLS" runs that exact and with levels side by side, and
// "--fly-dem PATH [ROUNDS [PIXELS]]" loads a .dem with levels at 1 pixel
// or PIXELS (from its cache when one is beside it), flies the path over it as the viewer does and then the
// default world's exact path, and prints the frames' cost, the own-face
// lists held and the peak resident memory, "--import-raster SIDE" imports
// the mountain raster at SIDE x SIDE samples (once) and names its .dem,
// "--level-pictures CELLS" (-1: the imported raster) compares only the
// pictures of the path with levels against exact drawing, "--shading CELLS"
// the shading of levels from high above (and with a folder after it, writes
// each view's pictures there), "--shuffled CELLS [ROUNDS]" flies
// the path with levels over the grid in row order and with its face pairs
// scrambled, side by side, and "--cache CELLS [ROUNDS]" loads the grid as a
// .dem without and then with its levels' cache. "--corner-lighting" first
// lights coarse levels at their corners instead of per pixel.
#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "benchmarks/bench_grid.h"
#include "camera/camera.h"
#include "frame/frame.h"
#include "files/png_file.h"
#include "frame/scene_init.h"
#include "gl/upload.h"
#include "state/app_state.h"
#include "state/camera_state.h"
#include "state/level_shading_state.h"
#include "state/session_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/level_lists.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "terrain/terrain_mesh.h"
#include "tests/support/level_pictures.h"
#include "tests/support/temp_files.h"

namespace {

constexpr int WIDTH = 1024;
constexpr int HEIGHT = 768;
constexpr int TURN_FRAMES = 72;    // a full turn on the spot, 5 degrees a frame
constexpr int FLIGHT_FRAMES = 48;  // then straight ahead across the whole grid
constexpr int PATH_FRAMES = TURN_FRAMES + FLIGHT_FRAMES;
constexpr float EYE_HEIGHT = 200.0f;  // the hills reach about 155
constexpr float LOOK_DOWN = -0.25f;   // one Alt+Down

int loaded_cells = 0;         // the grid loaded; 0 none, -1 the imported raster
bool loaded_levels = false;   // it was loaded with levels (forced, so that any size has them)
double levels_ready_ms = 0;   // from the end of its load until its levels were installed
double levels_cpu_s = 0;      // CPU seconds of every thread over that time
unsigned reference_list = 0;  // the whole terrain in one list, as it was drawn before tiles
bool with_reference = true;   // false: only the viewer's own lists (for its memory)
std::string imported_terrain; // the imported raster's terrain file, once made
constexpr int IMPORTED = -1;  // "cells" of the imported raster in the path's arguments
constexpr int DEFAULT_WORLD = -2;  // "cells" of the default world (build/world/Default.obj, 131072 faces)
constexpr int IMPORTED_SIDE = 1415;  // raster samples a side: 4 million faces at full resolution
constexpr float IMPORTED_CELL = 12.5f;  // metres a sample, as the generated grids' spacing
constexpr int SHUFFLED = 1 << 20;  // added to "cells": that grid with its face pairs scrambled
constexpr int LOADED_DEM = -3;     // "cells" of a .dem loaded by its path (--fly-dem): the path spans its extent

// Cells a side of a generated grid, shuffled or not.
int grid_side_cells(int cells) { return cells >= SHUFFLED ? cells - SHUFFLED : cells; }

// Silences the loader's console progress.
struct QuietStdout {
    int saved;
    QuietStdout() {
        fflush(stdout);
        saved = dup(1);
        FILE* null = fopen("/dev/null", "w");
        dup2(fileno(null), 1);
        fclose(null);
    }
    ~QuietStdout() {
        fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

void set_up_gl() {
    set_fixed_gl_state();
    apply_projection(WIDTH, HEIGHT);
}

std::string texture_path() {
    std::string pixels(256 * 256 * 3, '\0');
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (char)((i * 7 + i / 768 * 13) & 0xff);
    return write_temp_file("bench.raw", pixels);
}

void compile_reference() {
    if (reference_list) glDeleteLists(reference_list, 1);
    reference_list = glGenLists(1);
    glNewList(reference_list, GL_COMPILE);
    compile_terrain_faces();
    glEndList();
}

double wall_seconds();
double process_cpu_seconds();
const std::string& ensure_imported_terrain();

// Loads the grid of `cells` cells a side (once), with tiles of `tile_faces`;
// with `levels`, also builds its levels of detail and waits for them (the
// bound is 1 pixel; terrain_lod_error 0 then draws it exactly).
void use_grid(int cells, int tile_faces = TERRAIN_TILE_FACES, bool levels = false) {
    if (loaded_cells != cells || loaded_levels != levels) {
        QuietStdout quiet;
        if (reference_list) glDeleteLists(reference_list, 1);
        reference_list = 0;
        release_terrain();
        static std::string texture = texture_path();
        terrain_tile_faces = tile_faces;
        terrain_lod_forced = levels;
        terrain_lod_error = levels ? 1.0f : 0.0f;
        static const std::string world = std::string(KESTROLANE_WORLD_DIR) + "/Default.obj";
        const std::string& path = cells == IMPORTED        ? ensure_imported_terrain()
                                  : cells == DEFAULT_WORLD ? world
                                  : cells >= SHUFFLED      ? ensure_shuffled_bench_file(grid_side_cells(cells))
                                                           : ensure_bench_file(cells);
        load_terrain(path.c_str(), texture.c_str(), 3, 256, 256, 0);
        double loaded = wall_seconds(), loaded_cpu = process_cpu_seconds();
        wait_for_terrain_levels();
        levels_ready_ms = 1e3 * (wall_seconds() - loaded);
        levels_cpu_s = process_cpu_seconds() - loaded_cpu;
        send_light(LIGHT_ALL);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        if (with_reference && !levels) compile_reference();  // the levels' paths compare with the tiles
        loaded_cells = cells;
        loaded_levels = levels;
    }
    if (terrain_tile_faces != tile_faces) {
        terrain_tile_faces = tile_faces;
        rebuild_terrain_list(false);
        wait_for_terrain_levels();
    }
}

// Frame `frame` of the path: a full turn at the start, then north across.
// It starts at the middle of the south edge: the importer centres its
// terrain on the origin, the default world runs from z = 150 to -2850.
void place_camera(int cells, int frame) {
    float yaw = 0.0f, distance = 0.0f, south = 0.0f;
    float side = grid_side_cells(cells) * BENCH_GRID_SPACING;
    if (cells == IMPORTED) side = (IMPORTED_SIDE - 1) * IMPORTED_CELL, south = side / 2;
    if (cells == DEFAULT_WORLD) side = 3000.0f, south = 150.0f;
    float eye_x = 0.0f, height = EYE_HEIGHT;
    if (cells == LOADED_DEM) {
        side = terrain_max_z - terrain_min_z, south = terrain_max_z;
        eye_x = (terrain_min_x + terrain_max_x) / 2;
        height = std::max(EYE_HEIGHT, terrain_max_y + 45.0f);  // as high above its peaks as above the hills
    }
    if (frame < TURN_FRAMES) yaw = 2.0f * (float)M_PI * frame / TURN_FRAMES;
    else distance = side * (frame - TURN_FRAMES) / FLIGHT_FRAMES;
    camera_eye_x = eye_x;
    camera_eye_z = south - distance;
    camera_height = height;
    camera_dir_y = LOOK_DOWN;
    move_camera_eye(0);
    turn_camera_dir(yaw);
    apply_view();
}

void draw_reference_terrain() {
    glPointSize(1.0f);
    GLenum mode = render_mode == RENDER_WIRE_FRAME ? GL_LINE : render_mode == RENDER_POINT_CLOUD ? GL_POINT : GL_FILL;
    glPolygonMode(GL_FRONT, mode);
    glCallList(reference_list);
    glPolygonMode(GL_FRONT, GL_FILL);
}

void draw_path_frame(int cells, int frame, bool tiles) {
    release_terrain_draw_fences(terrain_draws_done);  // every path frame follows a swap or glFinish
    place_camera(cells, frame);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    if (tiles) draw_terrain_mono();
    else draw_reference_terrain();
}

std::vector<unsigned char> read_frame() {
    std::vector<unsigned char> pixels(WIDTH * HEIGHT * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Every frame of the path drawn both ways, in each render mode (wire frame
// and points on every fourth frame). Returns false on any differing pixel.
// Mesa's software pipeline does not always cull a face the same way: it
// sends a whole batch of up to 4096 vertices of a draw call through its
// clipping stages when any of them needs clipping, and those stages cull
// back faces by a floating-point area, while other batches leave culling to
// the rasteriser's fixed-point area. A face seen edge-on can be kept by one
// and dropped by the other, so the same faces drawn in other lists can
// differ from the one list in such single pixels (with culling off, every
// frame is identical). Each differing pixel is printed with its place.
bool confirm_same_pixels(int cells) {
    use_grid(cells);
    bool all_same = true;
    const int modes[] = {RENDER_FILLED, RENDER_WIRE_FRAME, RENDER_POINT_CLOUD};
    for (int mode : modes) {
        render_mode = mode;
        int compared = 0, same = 0;
        long pieces = 0;
        for (int frame = 0; frame < PATH_FRAMES; frame += mode == RENDER_FILLED ? 1 : 4) {
            draw_path_frame(cells, frame, false);
            std::vector<unsigned char> reference = read_frame();
            draw_path_frame(cells, frame, true);
            pieces += terrain_pieces_drawn;
            ++compared;
            std::vector<unsigned char> tiled = read_frame();
            same += tiled == reference;
            if (tiled != reference) {
                long differing = 0;
                int first = -1;
                for (size_t i = 0; i < tiled.size(); ++i)
                    if (tiled[i] != reference[i]) {
                        ++differing;
                        if (first < 0) first = (int)i;
                    }
                printf("  frame %d: %ld bytes differ, first at x %d y %d: %d vs %d\n", frame, differing, first / 3 % WIDTH,
                       first / 3 / WIDTH, tiled[first], reference[first]);
            }
        }
        printf("%d faces, mode %d: %d of %d frames identical to the one list; %.0f%% of the pieces drawn on average\n",
               terrain_face_count, mode, same, compared, 100.0 * pieces / compared / terrain_piece_count);
        all_same = all_same && same == compared;
    }
    render_mode = RENDER_FILLED;
    fflush(stdout);
    return all_same;
}

// Value noise on the integer lattice, smoothly interpolated: -1..1.
double lattice(int x, int y, int seed) {
    unsigned h = (unsigned)x * 374761393u + (unsigned)y * 668265263u + (unsigned)seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xffff) / 32767.5 - 1.0;
}

double smooth_noise(double x, double y, int seed) {
    int ix = (int)std::floor(x), iy = (int)std::floor(y);
    double fx = x - ix, fy = y - iy;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    double a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    double c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}

// Mountain ground in metres: ridged noise over rolling noise, steeper where
// it is high, with a river valley wandering across (no-data free, like a
// filled SRTM tile).
double mountain_height(int column, int row, int side = IMPORTED_SIDE) {
    double x = column / 180.0, y = row / 180.0, ridges = 0.0, amplitude = 1.0, weight = 1.0;
    for (int octave = 0; octave < 7; ++octave) {
        double n = 1.0 - std::fabs(smooth_noise(x, y, octave));
        n = n * n * weight;
        weight = std::min(1.0, n * 2.0);
        ridges += n * amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    double rolling = smooth_noise(column / 500.0, row / 500.0, 11) * 0.5 + 0.5;
    double river = std::fabs(row - side / 2.0 - 160.0 * std::sin(column / 230.0)) / 90.0;
    double valley = river < 1.0 ? river * river : 1.0;
    return 120.0 + (900.0 * ridges * rolling + 300.0 * rolling) * valley;
}

// The mountain raster of `side` x `side` samples as an ESRI ASCII grid,
// imported by kestrolane-import at full resolution (one vertex a sample, and
// its levels' cache) into a world under /tmp, once.
std::string import_mountains(int side) {
    std::string world = "/tmp/kestrolane-bench-imported-" + std::to_string(side);
    std::string path = world + "/DEM/Mountains.dem";
    struct stat info;
    if (stat(path.c_str(), &info) == 0) return path;
    std::string raster = world + ".asc";
    FILE* out = fopen(raster.c_str(), "w");
    if (!out) {
        fprintf(stderr, "cannot write %s\n", raster.c_str());
        exit(1);
    }
    fprintf(out, "ncols %d\nnrows %d\nxllcorner 0\nyllcorner 0\ncellsize %g\nNODATA_value -9999\n", side, side,
            IMPORTED_CELL);
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) fprintf(out, c ? " %.2f" : "%.2f", mountain_height(c, r, side));
        fprintf(out, "\n");
    }
    fclose(out);
    mkdir(world.c_str(), 0755);
    std::string command = std::string(KESTROLANE_IMPORT_EXE) + " --world " + world + " --name Mountains --grid " +
                          std::to_string(side) + " --cell-size " + std::to_string(IMPORTED_CELL) + " " +
                          raster + " > /dev/null";
    if (system(command.c_str()) != 0 || stat(path.c_str(), &info) != 0) {
        fprintf(stderr, "the importer did not make %s\n", path.c_str());
        exit(1);
    }
    unlink(raster.c_str());
    return path;
}

const std::string& ensure_imported_terrain() {
    static const std::string path = import_mountains(IMPORTED_SIDE);
    return path;
}

// The path with levels against exact drawing of the same levels' terrain:
// per frame the mean absolute difference per channel (in levels of 255) and
// the crack pixels (background where exact drawing shows ground), then the
// worst of each. Returns whether every frame is within the targets.
bool compare_level_pictures(int cells, const char* name) {
    use_grid(cells, TERRAIN_TILE_FACES, true);
    terrain_exact_waits = 1;  // exact drawing is exact at once
    printf("%s: %d faces in %d tiles; levels ready %.0f ms after the load\n", name, terrain_face_count,
           terrain_tile_count, levels_ready_ms);
    glClearColor(LEVEL_PICTURE_BACKGROUND[0] / 255.0f, LEVEL_PICTURE_BACKGROUND[1] / 255.0f,
                 LEVEL_PICTURE_BACKGROUND[2] / 255.0f, 1.0f);
    double worst_mean = 0, mean_sum = 0;
    long worst_cracks = 0, exact_faces = 0, level_faces = 0;
    int worst_mean_frame = 0, worst_crack_frame = 0;
    for (int frame = 0; frame < PATH_FRAMES; ++frame) {
        terrain_lod_error = 0.0f;
        draw_path_frame(cells, frame, true);
        long frame_exact_faces = terrain_level_faces_drawn;
        exact_faces += frame_exact_faces;
        std::vector<unsigned char> exact = read_frame();
        terrain_lod_error = 1.0f;
        draw_path_frame(cells, frame, true);
        level_faces += terrain_level_faces_drawn;
        std::vector<unsigned char> levels = read_frame();
        LevelPictureDifference d = measure_level_picture(exact, levels);
        double mean = d.mean;
        long cracks = d.cracks;
        printf("  frame %3d: %7ld faces exact, %6ld with levels; mean difference %.3f / 255, %ld crack pixels (%.4f%%)\n",
               frame, frame_exact_faces, terrain_level_faces_drawn,
               mean, cracks, 100.0 * cracks / (WIDTH * HEIGHT));
        mean_sum += mean;
        if (mean > worst_mean) worst_mean = mean, worst_mean_frame = frame;
        if (cracks > worst_cracks) worst_cracks = cracks, worst_crack_frame = frame;
    }
    glClearColor(0, 0, 0, 0);
    terrain_exact_waits = 0;
    printf("%s: faces drawn a frame %.0f exact, %.0f with levels (%.1f%%); mean difference %.3f / 255 on average, "
           "worst %.3f (frame %d); worst crack pixels %ld = %.4f%% of a frame (frame %d)\n",
           name, (double)exact_faces / PATH_FRAMES, (double)level_faces / PATH_FRAMES, 100.0 * level_faces / exact_faces,
           mean_sum / PATH_FRAMES, worst_mean, worst_mean_frame, worst_cracks, 100.0 * worst_cracks / (WIDTH * HEIGHT),
           worst_crack_frame);
    fflush(stdout);
    LevelPictureDifference worst;
    worst.mean = worst_mean;
    worst.cracks = worst_cracks;
    return level_picture_within_limits(worst, WIDTH * HEIGHT);
}

double process_cpu_seconds() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

double thread_cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

double wall_seconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

// Arguments: cells a side, faces a tile (0: the viewer's own choice).
int tile_faces_of(const benchmark::State& state) {
    return state.range(1) ? (int)state.range(1) : TERRAIN_TILE_FACES;
}

// Wall-clock figures suffer when other work shares the two cores, so every
// benchmark also reports CPU per step: of all threads (Mesa rasterises on
// its own), and of the drawing thread alone.
void report_cpu(benchmark::State& state, double process_start, double thread_start, double steps) {
    state.counters["cpu_ms"] = 1e3 * (process_cpu_seconds() - process_start) / steps;
    state.counters["main_ms"] = 1e3 * (thread_cpu_seconds() - thread_start) / steps;
}

void run_path(benchmark::State& state, bool tiles, bool levels = false) {
    int cells = (int)state.range(0);
    use_grid(cells, tile_faces_of(state), levels);
    terrain_lod_error = levels ? 1.0f : 0.0f;
    long pieces = 0, faces = 0;
    double process_start = process_cpu_seconds(), thread_start = thread_cpu_seconds();
    for (auto _ : state) {
        for (int frame = 0; frame < PATH_FRAMES; ++frame) {
            draw_path_frame(cells, frame, tiles);
            pieces += terrain_pieces_drawn;
            faces += terrain_level_faces_drawn;
            glutSwapBuffers();
        }
        glFinish();
    }
    double frames = (double)PATH_FRAMES * state.iterations();
    state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    report_cpu(state, process_start, thread_start, frames);
    if (tiles) {
        state.counters["tiles"] = terrain_tile_count;
        state.counters["pieces"] = terrain_piece_count;
        state.counters["pieces_drawn"] = (double)pieces / frames;
        state.counters["faces_drawn"] = (double)faces / frames;
    }
}

void BM_path_one_list(benchmark::State& state) { run_path(state, false); }
void BM_path_tiles(benchmark::State& state) { run_path(state, true); }
void BM_path_levels(benchmark::State& state) {
    run_path(state, true, true);
    state.counters["levels_ready_ms"] = levels_ready_ms;
    state.counters["levels_cpu_s"] = levels_cpu_s;
}

// A vertex in the middle of the grid, moved up and down by one unit.
int middle_vertex(int cells) { return (cells / 2) * (cells + 1) + cells / 2; }

// With levels, each step starts from ready levels, as a user's press does:
// the wait for the rebuild that the step before started is not timed, and
// its length is returned.
double wait_untimed(benchmark::State& state) {
    state.PauseTiming();
    double start = wall_seconds();
    wait_for_terrain_levels();
    double waited = wall_seconds() - start;
    state.ResumeTiming();
    return waited;
}

void run_vertex_edit(benchmark::State& state, bool tiles, bool levels = false) {
    int cells = (int)state.range(0);
    use_grid(cells, tile_faces_of(state), levels);
    int v = middle_vertex(cells);
    float step = 1.0f;
    double process_start = process_cpu_seconds(), thread_start = thread_cpu_seconds();
    double background = 0;
    for (auto _ : state) {
        if (levels) background += wait_untimed(state);
        terrain_vertices[v].y += step;
        step = -step;
        if (tiles) rebuild_terrain_tiles_for_vertices(&v, 1, false);
        else compile_reference();
        glFinish();
    }
    report_cpu(state, process_start, thread_start, (double)state.iterations());
    if (levels) {  // the rebuild the last step started
        double start = wall_seconds();
        wait_for_terrain_levels();
        background += wall_seconds() - start;
        state.counters["levels_again_ms"] = 1e3 * background / (double)state.iterations();
    }
    if (tiles) {
        state.counters["tiles_compiled"] = terrain_tiles_compiled;
        state.counters["faces_compiled"] = (double)terrain_faces_compiled;
    }
}

void BM_vertex_edit_one_list(benchmark::State& state) { run_vertex_edit(state, false); }
void BM_vertex_edit_tiles(benchmark::State& state) { run_vertex_edit(state, true); }
// The edit's own step; the touched tiles' levels are rebuilt in the background.
void BM_vertex_edit_levels(benchmark::State& state) { run_vertex_edit(state, true, true); }

void run_exaggeration(benchmark::State& state, bool tiles, bool levels = false) {
    use_grid((int)state.range(0), tile_faces_of(state), levels);
    bool raise = true;
    double process_start = process_cpu_seconds(), thread_start = thread_cpu_seconds();
    double background = 0;
    for (auto _ : state) {
        if (levels) background += wait_untimed(state);
        scale_terrain_heights(raise);
        raise = !raise;
        if (tiles) recompile_terrain_tiles(false);  // increase_exaggeration without its console line
        else compile_reference();
        glFinish();
    }
    report_cpu(state, process_start, thread_start, (double)state.iterations());
    if (levels) {  // the rebuild the last step started
        double start = wall_seconds();
        wait_for_terrain_levels();
        background += wall_seconds() - start;
        state.counters["levels_again_ms"] = 1e3 * background / (double)state.iterations();
    }
}

void BM_exaggeration_one_list(benchmark::State& state) { run_exaggeration(state, false); }
void BM_exaggeration_tiles(benchmark::State& state) { run_exaggeration(state, true); }
// The step's own time; the levels' lists are compiled again in the background.
void BM_exaggeration_levels(benchmark::State& state) { run_exaggeration(state, true, true); }

// Every frame of the path, both ways, with CPU and wall time each; then the
// path's totals and the mean of the per-frame ratios.
int list_frames(int cells) {
    use_grid(cells);
    double cpu_total[2] = {0, 0}, wall_total[2] = {0, 0}, ratio_sum = 0;
    for (int frame = 0; frame < PATH_FRAMES; ++frame) {
        double cpu[2], wall[2];
        for (int tiles = 0; tiles < 2; ++tiles) {
            cpu[tiles] = wall[tiles] = 1e9;
            for (int rep = 0; rep < 3; ++rep) {  // the least of three: the frame's own cost
                double c = process_cpu_seconds(), w = wall_seconds();
                draw_path_frame(cells, frame, tiles);
                glFinish();
                cpu[tiles] = std::min(cpu[tiles], 1e3 * (process_cpu_seconds() - c));
                wall[tiles] = std::min(wall[tiles], 1e3 * (wall_seconds() - w));
            }
            cpu_total[tiles] += cpu[tiles];
            wall_total[tiles] += wall[tiles];
        }
        ratio_sum += cpu[0] / cpu[1];
        printf("frame %3d: one list %6.1f ms cpu %6.1f ms wall; tiles %6.1f ms cpu %6.1f ms wall, %ld pieces\n", frame,
               cpu[0], wall[0], cpu[1], wall[1], terrain_pieces_drawn);
    }
    printf("%d faces, %d frames: one list %.0f ms cpu %.0f ms wall, tiles %.0f ms cpu %.0f ms wall; "
           "path fps ratio %.2f (cpu) %.2f (wall); mean of the frames' ratios %.2f (cpu)\n",
           terrain_face_count, PATH_FRAMES, cpu_total[0], wall_total[0], cpu_total[1], wall_total[1],
           cpu_total[0] / cpu_total[1], wall_total[0] / wall_total[1], ratio_sum / PATH_FRAMES);
    return 0;
}

// With tile_faces above the face count the terrain is one list, as before
// tiles; with levels, they are waited for and the frame draws them.
int peak_memory(int cells, int tile_faces, bool levels) {
    with_reference = false;  // the viewer has only its own lists
    use_grid(cells, tile_faces > 0 ? tile_faces : TERRAIN_TILE_FACES, levels);
    draw_path_frame(cells, 0, true);
    glFinish();
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%d faces%s: peak resident memory %.0f MiB\n", terrain_face_count, levels ? " with levels" : ", exact",
           usage.ru_maxrss / 1024.0);
    return 0;
}

// The path with levels at 1 pixel over the grid in row order and over the
// same grid with its pairs scrambled, alternately, `rounds` times each: tiles, faces
// and CPU a frame, and the levels' readiness.
int compare_face_orders(int cells, int rounds) {
    const int grids[2] = {cells, SHUFFLED + cells};
    const char* names[2] = {"row order", "shuffled"};
    double cpu[2] = {0, 0}, faces[2] = {0, 0}, ready_ms[2] = {0, 0}, ready_cpu[2] = {0, 0};
    int tiles[2] = {0, 0};
    for (int round = 0; round < rounds; ++round)
        for (int g = 0; g < 2; ++g) {
            loaded_cells = 0;  // loaded again each round, so that the levels are built again
            use_grid(grids[g], TERRAIN_TILE_FACES, true);
            ready_ms[g] += levels_ready_ms / rounds;
            ready_cpu[g] += levels_cpu_s / rounds;
            tiles[g] = terrain_tile_count;
            terrain_lod_error = 1.0f;
            double start = process_cpu_seconds();
            for (int frame = 0; frame < PATH_FRAMES; ++frame) {
                draw_path_frame(grids[g], frame, true);
                faces[g] += terrain_level_faces_drawn;
                glutSwapBuffers();
            }
            glFinish();
            cpu[g] += process_cpu_seconds() - start;
        }
    double frames = (double)PATH_FRAMES * rounds;
    for (int g = 0; g < 2; ++g)
        printf("%d faces, %s: %d tiles; levels ready %.0f ms after the load (%.1f CPU s); "
               "%.0f faces and %.1f ms CPU a frame with levels at 1 pixel\n",
               terrain_face_count, names[g], tiles[g], ready_ms[g], ready_cpu[g], faces[g] / frames,
               1e3 * cpu[g] / frames);
    printf("shuffled against row order: %.2f x the faces, %.2f x the CPU a frame\n", faces[1] / faces[0], cpu[1] / cpu[0]);
    fflush(stdout);
    return 0;
}

// The grid as a .dem loaded with levels at 1 pixel, `rounds` times without
// its levels' cache (removed before each load) and with it (written by the
// load before), alternately: from the start of the load until the levels
// are ready, wall and CPU seconds.
int compare_cache(int cells, int rounds) {
    std::string dir = "/tmp/kestrolane-bench-cache-" + std::to_string(2 * cells * cells);
    mkdir(dir.c_str(), 0755);
    std::string dem = dir + "/grid.dem", cache = dir + "/grid.levels";
    unlink(dem.c_str());
    if (link(ensure_bench_file(cells).c_str(), dem.c_str()) != 0) {
        fprintf(stderr, "cannot link %s\n", dem.c_str());
        return 1;
    }
    static std::string texture = texture_path();
    terrain_lod_forced = 1;
    terrain_lod_error = 1.0f;
    double wall[2] = {0, 0}, cpu[2] = {0, 0}, load_wall[2] = {0, 0};
    for (int round = 0; round < rounds; ++round)
        for (int cached = 0; cached < 2; ++cached) {
            if (!cached) unlink(cache.c_str());
            QuietStdout quiet;
            release_terrain();
            double start = wall_seconds(), start_cpu = process_cpu_seconds();
            load_terrain(dem.c_str(), texture.c_str(), 3, 256, 256, 0);
            double loaded = wall_seconds();
            wait_for_terrain_levels();
            wall[cached] += (wall_seconds() - start) / rounds;
            cpu[cached] += (process_cpu_seconds() - start_cpu) / rounds;
            load_wall[cached] += (loaded - start) / rounds;
        }
    struct stat info;
    long long cache_bytes = stat(cache.c_str(), &info) == 0 ? (long long)info.st_size : -1;
    const char* names[2] = {"without a cache", "with its cache"};
    for (int cached = 0; cached < 2; ++cached)
        printf("%d faces %s: load %.2f s, levels ready %.2f s after the load began (%.1f CPU s)\n", terrain_face_count,
               names[cached], load_wall[cached], wall[cached], cpu[cached]);
    printf("the cache (%.1f MiB) has the levels ready %.1f x sooner for %.1f x less CPU\n", cache_bytes / 1048576.0,
           wall[0] / wall[1], cpu[0] / cpu[1]);
    fflush(stdout);
    loaded_cells = 0;
    return 0;
}

// Shading of levels against exact drawing from three views that see the
// ground at 1 pixel from above: a high oblique one across the terrain, one
// straight down on its middle and a lower one looking across; the mean
// difference and crack pixels of each (textures off: the shading alone).
int compare_shading(int cells, const char* picture_dir) {
    use_grid(cells, TERRAIN_TILE_FACES, true);
    terrain_exact_waits = 1;
    float side = grid_side_cells(cells) * BENCH_GRID_SPACING, south = 0.0f;
    if (cells == IMPORTED) side = (IMPORTED_SIDE - 1) * IMPORTED_CELL, south = side / 2;
    struct ShadingView {
        const char* name;
        float ahead, height, dir_y;  // from the south edge (share of the side), eye height (share), look
    };
    const ShadingView views[] = {{"high oblique", 0.0f, 0.3f, -0.6f}, {"top-down", 0.5f, 0.45f, -0.999f},
                                 {"oblique", 0.1f, 0.12f, -0.35f}};
    glClearColor(LEVEL_PICTURE_BACKGROUND[0] / 255.0f, LEVEL_PICTURE_BACKGROUND[1] / 255.0f,
                 LEVEL_PICTURE_BACKGROUND[2] / 255.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    for (const ShadingView& v : views) {
        std::vector<unsigned char> pictures[2];
        long faces[2];
        for (int levels = 0; levels < 2; ++levels) {
            terrain_lod_error = levels ? 1.0f : 0.0f;
            release_terrain_draw_fences(terrain_draws_done);
            camera_eye_x = 0.0f;
            camera_eye_z = south - v.ahead * side;
            camera_height = v.height * side;
            camera_dir_y = v.dir_y;
            move_camera_eye(0);
            turn_camera_dir(0.0f);
            apply_view();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            draw_terrain_mono();
            pictures[levels] = read_frame();
            faces[levels] = terrain_level_faces_drawn;
        }
        for (int levels = 0; levels < 2 && picture_dir; ++levels) {
            std::string path = std::string(picture_dir) + "/" + v.name + (levels ? " levels.png" : " exact.png");
            char error[256];
            if (!write_png_file(path.c_str(), pictures[levels].data(), WIDTH, HEIGHT, 3, true, error, sizeof error))
                fprintf(stderr, "%s\n", error);
        }
        LevelPictureDifference d = measure_level_picture(pictures[0], pictures[1]);
        double step = measure_shading_step(pictures[0], pictures[1], WIDTH, HEIGHT);
        printf("%d faces, %s: %ld faces exact, %ld with levels; mean difference %.3f / 255, %ld crack pixels, "
               "largest shading step along a line %.2f / 255\n",
               terrain_face_count, v.name, faces[0], faces[1], d.mean, d.cracks, step);
    }
    glClearColor(0, 0, 0, 0);
    fflush(stdout);
    return 0;
}

// The path flown `rounds` times as the viewer flies it (no waiting for
// own-face lists) over what is loaded: CPU and wall milliseconds a frame,
// faces drawn a frame, and the most own-face lists held at once.
struct PathCost {
    double cpu_ms = 0, wall_ms = 0, faces = 0, own_faces = 0;
    int most_held = 0;
    long most_held_faces = 0;
};

PathCost fly_path(int cells, int rounds) {
    PathCost cost;
    double cpu = process_cpu_seconds(), wall = wall_seconds();
    for (int round = 0; round < rounds; ++round)
        for (int frame = 0; frame < PATH_FRAMES; ++frame) {
            draw_path_frame(cells, frame, true);
            cost.faces += terrain_level_faces_drawn;
            for (int t = 0; t < terrain_tile_count; ++t)
                if (terrain_tile_visible[t] && terrain_tile_level(t) == 0) cost.own_faces += level_tile_faces.empty() ? 0 : level_tile_faces[t];
            cost.most_held = std::max(cost.most_held, terrain_exact_tiles_held());
            cost.most_held_faces = std::max(cost.most_held_faces, terrain_exact_faces_held);
            glutSwapBuffers();
        }
    glFinish();
    double frames = (double)PATH_FRAMES * rounds;
    cost.cpu_ms = 1e3 * (process_cpu_seconds() - cpu) / frames;
    cost.wall_ms = 1e3 * (wall_seconds() - wall) / frames;
    cost.faces /= frames;
    cost.own_faces /= frames;
    return cost;
}

double peak_mib() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Resident memory now, MiB: "VmRSS" (all), "RssAnon" (the heap, lists
// included) or "RssFile" (mapped files) of /proc/self/status; 0 if unread.
double resident_mib(const char* field) {
    FILE* status = fopen("/proc/self/status", "r");
    char line[256];
    double kib = 0;
    size_t length = strlen(field);
    while (status && fgets(line, sizeof line, status))
        if (strncmp(line, field, length) == 0 && line[length] == ':') kib = atof(line + length + 1);
    if (status) fclose(status);
    return kib / 1024.0;
}

// The .dem at `path` with levels at 1 pixel (from its cache when one is
// beside it, as the viewer loads it), flown over `rounds` times; then the
// default world's exact path, each path flown once before to warm up.
int fly_dem(const char* path, int rounds, float lod_error) {
    with_reference = false;
    static std::string texture = texture_path();
    terrain_lod_forced = 1;
    terrain_lod_error = lod_error;
    double start = wall_seconds(), start_cpu = process_cpu_seconds();
    {
        QuietStdout quiet;
        release_terrain();
        if (!load_terrain(path, texture.c_str(), 3, 256, 256, 0)) {
            fprintf(stderr, "cannot load %s\n", path);
            return 1;
        }
    }
    double loaded = wall_seconds();
    wait_for_terrain_levels();
    double ready = wall_seconds();
    send_light(LIGHT_ALL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    loaded_cells = LOADED_DEM;
    printf("%s: %d faces in %d tiles; load %.1f s, levels ready %.1f s after it (%.1f CPU s in all); "
           "own-face lists of %d tiles (%ld faces) held; resident %.0f MiB (heap %.0f), peak %.0f MiB\n",
           path, terrain_face_count, terrain_tile_count, loaded - start, ready - loaded,
           process_cpu_seconds() - start_cpu, terrain_exact_tiles_held(), terrain_exact_faces_held,
           resident_mib("VmRSS"), resident_mib("RssAnon"), peak_mib());
    fflush(stdout);
    fly_path(LOADED_DEM, 1);
    PathCost dem = fly_path(LOADED_DEM, rounds);
    int faces = terrain_face_count;
    double dem_peak = peak_mib();
    printf("after the flights: resident %.0f MiB (heap %.0f)\n", resident_mib("VmRSS"), resident_mib("RssAnon"));
    use_grid(DEFAULT_WORLD);
    terrain_lod_error = 0.0f;
    fly_path(DEFAULT_WORLD, 1);
    PathCost world = fly_path(DEFAULT_WORLD, rounds);
    printf("%d faces with levels: %.1f ms CPU, %.1f ms wall, %.0f faces a frame (%.0f of them tiles' own); at most %d "
           "tiles (%ld faces) held\n",
           faces, dem.cpu_ms, dem.wall_ms, dem.faces, dem.own_faces, dem.most_held, dem.most_held_faces);
    printf("default world, exact: %.1f ms CPU, %.1f ms wall, %.0f faces a frame\n", world.cpu_ms, world.wall_ms,
           world.faces);
    printf("frame rate against the default world's: %.2f x (CPU), %.2f x (wall); peak resident memory %.0f MiB "
           "(%.0f bytes a face)\n",
           world.cpu_ms / dem.cpu_ms, world.wall_ms / dem.wall_ms, dem_peak, dem_peak * 1048576.0 / faces);
    fflush(stdout);
    return 0;
}

// Peak memory exact and with levels, each in a process of its own, one after the other.
int compare_memory(const char* program, int cells) {
    double mib[2] = {0, 0};
    for (int levels = 0; levels < 2; ++levels) {
        std::string command = std::string(program) + " --peak-memory " + std::to_string(cells) + " 0" +
                              (levels ? " --levels" : "");
        FILE* child = popen(command.c_str(), "r");
        char line[256];
        while (child && fgets(line, sizeof line, child)) {
            fputs(line, stdout);
            const char* at = strstr(line, "memory ");
            if (at) mib[levels] = atof(at + 7);
        }
        if (!child || pclose(child) != 0) return 1;
    }
    printf("levels add %.0f%% to the peak resident memory\n", 100.0 * (mib[1] - mib[0]) / mib[0]);
    return 0;
}

}  // namespace

// The viewer's tiles at 500 thousand and 2 million faces, then other tile
// sizes at 2 million for the choice of size.
BENCHMARK(BM_path_one_list)->Args({500, 0})->Args({1000, 0})->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_path_tiles)
    ->Args({500, 0})->Args({1000, 0})->Args({1000, 2048})->Args({1000, 8192})->Args({1000, 16384})->Args({1000, 32768})
    ->Args({256, 0})->Args({DEFAULT_WORLD, 0})
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
// Levels at 1 pixel: 2 million faces in row order and shuffled, 8 million
// faces and the imported mountains (-1),
// against the one list at 2 million and the exact tiles of the default
// world's size (256 cells) and of the default world itself (-2) above.
BENCHMARK(BM_path_levels)
    ->Args({1000, 0})->Args({SHUFFLED + 1000, 0})->Args({2000, 0})->Args({IMPORTED, 0})
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
// 256 cells a side: the default world's size (131 thousand faces).
BENCHMARK(BM_vertex_edit_one_list)->Args({256, 0})->Args({500, 0})->Args({1000, 0})->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_vertex_edit_tiles)
    ->Args({256, 0})->Args({500, 0})->Args({1000, 0})->Args({1000, 2048})->Args({1000, 8192})->Args({1000, 16384})->Args({1000, 32768})
    ->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_vertex_edit_levels)->Args({1000, 0})->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_exaggeration_one_list)->Args({500, 0})->Args({1000, 0})->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_exaggeration_tiles)
    ->Args({500, 0})->Args({1000, 0})->Args({1000, 2048})->Args({1000, 8192})->Args({1000, 16384})->Args({1000, 32768})
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_exaggeration_levels)->Args({1000, 0})->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WIDTH, HEIGHT);
    glutCreateWindow("Kestrolane draw benchmark");
    set_up_gl();
    if (argc >= 2 && strcmp(argv[1], "--corner-lighting") == 0) {
        level_shading_switch = 0;  // coarse levels lit at their corners, as before the normal map
        --argc, ++argv;
    }
    if (argc >= 3 && strcmp(argv[1], "--peak-memory") == 0)
        return peak_memory(atoi(argv[2]), argc > 3 ? atoi(argv[3]) : 0, argc > 4 && strcmp(argv[4], "--levels") == 0);
    if (argc == 3 && strcmp(argv[1], "--memory") == 0) return compare_memory(argv[0], atoi(argv[2]));
    if (argc == 3 && strcmp(argv[1], "--frames") == 0) return list_frames(atoi(argv[2]));
    if (argc >= 3 && strcmp(argv[1], "--fly-dem") == 0)
        return fly_dem(argv[2], argc > 3 ? std::max(1, atoi(argv[3])) : 1, argc > 4 ? (float)atof(argv[4]) : 1.0f);
    if (argc == 3 && strcmp(argv[1], "--import-raster") == 0) {
        printf("%s\n", import_mountains(std::max(2, atoi(argv[2]))).c_str());
        return 0;
    }
    if ((argc == 3 || argc == 4) && strcmp(argv[1], "--shading") == 0)
        return compare_shading(atoi(argv[2]), argc == 4 ? argv[3] : nullptr);
    if (argc >= 3 && strcmp(argv[1], "--cache") == 0)
        return compare_cache(atoi(argv[2]), argc > 3 ? std::max(1, atoi(argv[3])) : 1);
    if (argc >= 3 && strcmp(argv[1], "--shuffled") == 0)
        return compare_face_orders(atoi(argv[2]), argc > 3 ? std::max(1, atoi(argv[3])) : 1);
    if (argc == 3 && strcmp(argv[1], "--level-pictures") == 0)
        return compare_level_pictures(atoi(argv[2]), argv[2]) ? 0 : 1;
    bool check = true, level_check = true;
    for (int i = 1; i < argc; ++i) {
        check = check && strcmp(argv[i], "--no-pixel-check") != 0;
        level_check = level_check && strcmp(argv[i], "--no-level-check") != 0;
    }
    bool same = true;
    if (check) {
        for (int cells : {500, 1000}) same = confirm_same_pixels(cells) && same;
    }
    if (level_check) {
        same = compare_level_pictures(1000, "2 million faces") && same;
        same = compare_level_pictures(2000, "8 million faces") && same;
        same = compare_level_pictures(IMPORTED, "imported mountains") && same;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return same ? 0 : 1;
}

// Drawing large terrains: the tiled, culled frame against the whole terrain
// in one display list (the reference), over a fixed camera path, with the
// pixels of every frame compared first; then a vertex edit with its rebuild
// and an exaggeration step, each against recompiling the one list.
// Needs a window: run under xvfb-run. Instead of the benchmarks,
// "--frames CELLS" lists every frame of the path both ways, and
// "--peak-memory CELLS [TILE_FACES]" loads one grid, draws one frame and
// prints the peak resident memory.
#include <GL/glut.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "benchmarks/bench_grid.h"
#include "camera/camera.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "gl/upload.h"
#include "state/app_state.h"
#include "state/camera_state.h"
#include "state/terrain_draw_state.h"
#include "state/terrain_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "terrain/terrain_mesh.h"
#include "tests/support/temp_files.h"

namespace {

constexpr int WIDTH = 1024;
constexpr int HEIGHT = 768;
constexpr int TURN_FRAMES = 72;    // a full turn on the spot, 5 degrees a frame
constexpr int FLIGHT_FRAMES = 48;  // then straight ahead across the whole grid
constexpr int PATH_FRAMES = TURN_FRAMES + FLIGHT_FRAMES;
constexpr float EYE_HEIGHT = 200.0f;  // the hills reach about 155
constexpr float LOOK_DOWN = -0.25f;   // one Alt+Down

int loaded_cells = 0;
unsigned reference_list = 0;  // the whole terrain in one list, as it was drawn before tiles
bool with_reference = true;   // false: only the viewer's own lists (for its memory)

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

// Loads the grid of `cells` cells a side (once), with tiles of `tile_faces`.
void use_grid(int cells, int tile_faces = TERRAIN_TILE_FACES) {
    if (loaded_cells != cells) {
        QuietStdout quiet;
        if (reference_list) glDeleteLists(reference_list, 1);
        reference_list = 0;
        release_terrain();
        static std::string texture = texture_path();
        terrain_tile_faces = tile_faces;
        load_terrain(ensure_bench_file(cells).c_str(), texture.c_str(), 3, 256, 256, 0);
        send_light(LIGHT_ALL);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        if (with_reference) compile_reference();
        loaded_cells = cells;
    }
    if (terrain_tile_faces != tile_faces) {
        terrain_tile_faces = tile_faces;
        rebuild_terrain_list(false);
    }
}

// Frame `frame` of the path: a full turn at the start, then north across.
void place_camera(int cells, int frame) {
    float yaw = 0.0f, distance = 0.0f;
    if (frame < TURN_FRAMES) yaw = 2.0f * (float)M_PI * frame / TURN_FRAMES;
    else distance = cells * BENCH_GRID_SPACING * (frame - TURN_FRAMES) / FLIGHT_FRAMES;
    camera_eye_x = 0.0f;
    camera_eye_z = -distance;
    camera_height = EYE_HEIGHT;
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

void run_path(benchmark::State& state, bool tiles) {
    int cells = (int)state.range(0);
    use_grid(cells, tile_faces_of(state));
    long pieces = 0;
    double process_start = process_cpu_seconds(), thread_start = thread_cpu_seconds();
    for (auto _ : state) {
        for (int frame = 0; frame < PATH_FRAMES; ++frame) {
            draw_path_frame(cells, frame, tiles);
            pieces += terrain_pieces_drawn;
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
    }
}

void BM_path_one_list(benchmark::State& state) { run_path(state, false); }
void BM_path_tiles(benchmark::State& state) { run_path(state, true); }

// A vertex in the middle of the grid, moved up and down by one unit.
int middle_vertex(int cells) { return (cells / 2) * (cells + 1) + cells / 2; }

void run_vertex_edit(benchmark::State& state, bool tiles) {
    int cells = (int)state.range(0);
    use_grid(cells, tile_faces_of(state));
    int v = middle_vertex(cells);
    float step = 1.0f;
    double process_start = process_cpu_seconds(), thread_start = thread_cpu_seconds();
    for (auto _ : state) {
        terrain_vertices[v].y += step;
        step = -step;
        if (tiles) rebuild_terrain_tiles_for_vertices(&v, 1, false);
        else compile_reference();
        glFinish();
    }
    report_cpu(state, process_start, thread_start, (double)state.iterations());
    if (tiles) {
        state.counters["tiles_compiled"] = terrain_tiles_compiled;
        state.counters["faces_compiled"] = (double)terrain_faces_compiled;
    }
}

void BM_vertex_edit_one_list(benchmark::State& state) { run_vertex_edit(state, false); }
void BM_vertex_edit_tiles(benchmark::State& state) { run_vertex_edit(state, true); }

void run_exaggeration(benchmark::State& state, bool tiles) {
    use_grid((int)state.range(0), tile_faces_of(state));
    bool raise = true;
    double process_start = process_cpu_seconds(), thread_start = thread_cpu_seconds();
    for (auto _ : state) {
        scale_terrain_heights(raise);
        raise = !raise;
        if (tiles) recompile_terrain_tiles(false);  // increase_exaggeration without its console line
        else compile_reference();
        glFinish();
    }
    report_cpu(state, process_start, thread_start, (double)state.iterations());
}

void BM_exaggeration_one_list(benchmark::State& state) { run_exaggeration(state, false); }
void BM_exaggeration_tiles(benchmark::State& state) { run_exaggeration(state, true); }

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

// With tile_faces above the face count the terrain is one list, as before tiles.
int peak_memory(int cells, int tile_faces) {
    with_reference = false;  // the viewer has only its own lists
    use_grid(cells, tile_faces > 0 ? tile_faces : TERRAIN_TILE_FACES);
    draw_path_frame(cells, 0, true);
    glFinish();
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%d faces: peak resident memory %.0f MiB\n", terrain_face_count, usage.ru_maxrss / 1024.0);
    return 0;
}

}  // namespace

// The viewer's tiles at 500 thousand and 2 million faces, then other tile
// sizes at 2 million for the choice of size.
BENCHMARK(BM_path_one_list)->Args({500, 0})->Args({1000, 0})->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_path_tiles)
    ->Args({500, 0})->Args({1000, 0})->Args({1000, 2048})->Args({1000, 8192})->Args({1000, 16384})->Args({1000, 32768})
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
// 256 cells a side: the default world's size (131 thousand faces).
BENCHMARK(BM_vertex_edit_one_list)->Args({256, 0})->Args({500, 0})->Args({1000, 0})->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_vertex_edit_tiles)
    ->Args({256, 0})->Args({500, 0})->Args({1000, 0})->Args({1000, 2048})->Args({1000, 8192})->Args({1000, 16384})->Args({1000, 32768})
    ->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_exaggeration_one_list)->Args({500, 0})->Args({1000, 0})->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_exaggeration_tiles)
    ->Args({500, 0})->Args({1000, 0})->Args({1000, 2048})->Args({1000, 8192})->Args({1000, 16384})->Args({1000, 32768})
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WIDTH, HEIGHT);
    glutCreateWindow("Kestrolane draw benchmark");
    set_up_gl();
    if (argc >= 3 && strcmp(argv[1], "--peak-memory") == 0) return peak_memory(atoi(argv[2]), argc > 3 ? atoi(argv[3]) : 0);
    if (argc == 3 && strcmp(argv[1], "--frames") == 0) return list_frames(atoi(argv[2]));
    bool check = true;
    for (int i = 1; i < argc; ++i) check = check && strcmp(argv[i], "--no-pixel-check") != 0;
    bool same = true;
    if (check) {
        for (int cells : {500, 1000}) same = confirm_same_pixels(cells) && same;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return same ? 0 : 1;
}

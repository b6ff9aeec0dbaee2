// Flight rendering speed: the Grand_Tour sample at 1920 x 1080 rendered to an
// MP4, against the interactive frame rate of its playback in a window of the
// same size, both on one private Xvfb, taken in turns so that the load of the
// machine weighs on both alike. Also the rate of drawing and reading back
// without encoding, to show where the time goes.
//
//   build/render_benchmark [--rounds N] [world directory, default build/world]
//
// With --story, the cost of what a fly-over shows (route, rider, labels,
// read-outs, profile): the real command renders the fly-over with and
// without them, in turns, in the given world (one made by kestrolane-import
// --track; the render command it prints gives the arguments):
//
//   build/render_benchmark [--rounds N] --story WORLD -- Flythrough/T.ride --terrain ... --sky
//
// With --stereo [--size WxH] [--frames N], instead: the cost of a frame in
// each stereo mode against a mono frame of the same picture size (each
// eye's) and view, drawing only (no read-back), every mode drawing each
// frame in turn: on Grand_Tour in the default world and on a 2-million-face
// grid.
#include <GL/freeglut.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "benchmarks/bench_grid.h"
#include "camera/stereo_camera.h"
#include "files/child_process.h"
#include "flythrough/flythrough_file.h"
#include "flythrough/frame_modes.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "gl/frame_capture.h"
#include "state/flythrough_state.h"
#include "state/app_state.h"
#include "state/camera_state.h"
#include "state/overlay_state.h"
#include "state/stereo_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/level_lists.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "video/render_display.h"

namespace {

constexpr int WIDTH = 1920;
constexpr int HEIGHT = 1080;
const char* const FLIGHT = "Flythrough/Grand_Tour.flt";

double seconds_now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int load_flight() {
    char error[256];
    int frames = read_flythrough_file(FLIGHT, error, sizeof error);
    if (frames <= 0) {
        fprintf(stderr, "%s\n", error);
        exit(1);
    }
    return frames;
}

// Playback in the window as the viewer's event loop runs it: events, then a
// whole frame with the overlay and the swap, until playback ends.
double interactive_rate() {
    int frames = load_flight();
    show_message("Playing Flythrough: Grand_Tour.flt");
    begin_playback(frames);
    double start = seconds_now();
    int drawn = 0;
    while (mode_playback) {
        glutMainLoopEvent();
        draw_frame();
        ++drawn;
    }
    glFinish();
    return drawn / (seconds_now() - start);
}

// The rendering mode's drawing and read-back without the encoder.
double readback_rate() {
    char error[256];
    if (!open_capture_target(WIDTH, HEIGHT, error, sizeof error)) {
        fprintf(stderr, "%s\n", error);
        exit(1);
    }
    on_reshape(WIDTH, HEIGHT);
    int frames = load_flight();
    begin_playback(frames);
    double start = seconds_now();
    for (int k = 0; k < frames; ++k) {
        long draws_before = terrain_draws_done;
        draw_frame_unswapped(false);
        queue_frame_read();
        while (frame_reads_pending() > (k + 1 < frames ? 1 : 0)) {
            map_oldest_frame_read();
            release_frame_read();
        }
        release_terrain_draw_fences(k + 1 < frames ? draws_before : terrain_draws_done);
    }
    double rate = frames / (seconds_now() - start);
    set_camera_mode(CAMERA_NORMAL);
    close_capture_target();
    on_reshape(WIDTH, HEIGHT);
    return rate;
}

// The real command, on the same display; its summary line gives the rate.
// `extra` are more arguments (the flight first, else Grand_Tour's).
double render_rate(const char* exe, const std::vector<std::string>& extra = {}) {
    char log[] = "/tmp/kestrolane-render-bench-XXXXXX";
    int fd = mkstemp(log);
    std::string output = std::string(log) + ".mp4";
    std::vector<const char*> args = {exe, "--render-flight", extra.empty() ? FLIGHT : extra[0].c_str(), output.c_str()};
    for (size_t i = 1; i < extra.size(); ++i) args.push_back(extra[i].c_str());
    args.push_back(nullptr);
    pid_t pid = start_child(exe, (char* const*)args.data(), -1, fd, fd, -1);
    int status = -1;
    wait_for_child(pid, -1, &status);
    close(fd);
    double rate = 0.0;
    if (FILE* f = fopen(log, "r")) {
        char line[512];
        while (fgets(line, sizeof line, f))
            if (const char* p = strstr(line, "; rendered in ")) sscanf(p, "; rendered in %*f s (%lf", &rate);
        fclose(f);
    }
    if (status != 0 || rate <= 0) fprintf(stderr, "the render failed (status %d); see %s\n", status, log);
    else unlink(log);
    unlink(output.c_str());
    return rate;
}

// A fly-over rendered with what it shows and without, in turns.
int measure_story(int rounds, const std::vector<std::string>& ride_args) {
    std::vector<std::string> bare = ride_args;
    for (const char* flag : {"--no-route", "--no-marker", "--no-labels", "--no-readouts", "--no-profile"})
        bare.push_back(flag);
    fprintf(stderr, "%s at 1920 x 1080 to MP4, frames a second:\n%-8s %12s %12s %8s\n", ride_args[0].c_str(),
            "round", "with story", "without", "cost");
    double with_sum = 0.0, without_sum = 0.0;
    for (int r = 1; r <= rounds; ++r) {
        const double with = render_rate(KESTROLANE_EXE, ride_args), without = render_rate(KESTROLANE_EXE, bare);
        if (with <= 0.0 || without <= 0.0) return 1;
        with_sum += 1.0 / with;
        without_sum += 1.0 / without;
        fprintf(stderr, "%-8d %12.2f %12.2f %7.1f%%\n", r, with, without, 100.0 * (without / with - 1.0));
    }
    fprintf(stderr, "The route, rider, labels, read-outs and profile cost %.1f%% of a frame (mean of %d round%s)\n",
            100.0 * (with_sum / without_sum - 1.0), rounds, rounds == 1 ? "" : "s");
    return 0;
}

// A camera pose of one frame of a flight, as the normal mode keeps it.
struct Pose {
    float x, z, height, yaw, dir_y;
};

// The poses of the first `frames` frames of `flight` played back.
std::vector<Pose> play_poses(const char* flight, int frames) {
    char error[256];
    int samples = read_flythrough_file(flight, error, sizeof error);
    if (samples <= 0) {
        fprintf(stderr, "%s\n", error);
        exit(1);
    }
    std::vector<Pose> poses;
    begin_playback(samples);
    for (int k = 0; k <= frames && mode_playback; ++k) {
        step_frame_camera();
        if (k > 0) poses.push_back({camera_eye_x, camera_eye_z, camera_height, camera_yaw, camera_dir_y});
    }
    set_camera_mode(CAMERA_NORMAL);
    return poses;
}

// Draws one frame of `mode` (-1 mono) at `pose` with eye pictures of width x
// height into the corner of the capture target, and returns its milliseconds.
double time_stereo_frame(int mode, const Pose& pose, int width, int height) {
    int w = width, h = height;
    if (mode >= 0) stereo_output_size(mode, width, height, &w, &h);
    stereo_on = mode >= 0;
    stereo_mode = mode >= 0 ? mode : STEREO_RED_BLUE;
    stereo_depth_settled = false;  // every mode measures its depth afresh, as a first frame does
    on_reshape(w, h);
    camera_eye_x = pose.x;
    camera_eye_z = pose.z;
    camera_height = pose.height;
    camera_turn_right = pose.yaw;
    camera_turn_left = 0.0f;
    camera_dir_y = pose.dir_y;
    glFinish();
    double start = seconds_now();
    glScissor(0, 0, w, h);  // the mono clear clears only its own frame
    glEnable(GL_SCISSOR_TEST);
    draw_frame_unswapped(false);
    glDisable(GL_SCISSOR_TEST);
    glFinish();
    double ms = 1000.0 * (seconds_now() - start);
    release_terrain_draw_fences(terrain_draws_done);
    return ms;
}

// Every mode draws each frame in turn, in an order that rotates from frame
// to frame, so that the load of a shared machine weighs on all alike.
void report_stereo(FILE* report, const char* flight, const char* world, int width, int height, int frames) {
    const int modes[] = {-1, STEREO_RED_BLUE, STEREO_RED_CYAN, STEREO_SIDE_BY_SIDE, STEREO_SIDE_BY_SIDE_HALF,
                         STEREO_TOP_BOTTOM, STEREO_TOP_BOTTOM_HALF, STEREO_ROWS};
    constexpr int COUNT = sizeof modes / sizeof modes[0];
    char error[256];
    if (!open_capture_target(2 * width, 2 * height, error, sizeof error)) {
        fprintf(stderr, "%s\n", error);
        exit(1);
    }
    std::vector<Pose> poses = play_poses(flight, frames);
    for (int m = 0; m < COUNT; ++m) time_stereo_frame(modes[m], poses[0], width, height);  // warm
    std::vector<double> times[COUNT];
    for (size_t k = 0; k < poses.size(); ++k)
        for (int i = 0; i < COUNT; ++i) {
            int m = (int)((i + k) % COUNT);
            times[m].push_back(time_stereo_frame(modes[m], poses[k], width, height));
        }
    close_capture_target();
    on_reshape(WIDTH, HEIGHT);
    fprintf(report, "%s, %d x %d a picture, %d frames (%d faces), ms a frame:\n", world, width, height,
            (int)poses.size(), terrain_face_count);
    fprintf(report, "  %-18s %8s %8s %10s %12s\n", "mode", "median", "mean", "x mono", "worst frame");
    double mono_sum = 0;
    for (double t : times[0]) mono_sum += t;
    for (int m = 0; m < COUNT; ++m) {
        std::vector<double> t = times[m];
        double sum = 0, worst = 0;
        for (size_t k = 0; k < t.size(); ++k) {
            sum += t[k];
            worst = std::max(worst, t[k] / times[0][k]);
        }
        std::sort(t.begin(), t.end());
        fprintf(report, "  %-18s %8.1f %8.1f %9.2fx %11.2fx\n", m ? stereo_mode_name(modes[m]) : "mono",
                t[t.size() / 2], sum / t.size(), sum / mono_sum, worst);
    }
    fflush(report);
}

// A straight flight over the benchmark grid, 300 units up, looking down a little.
void write_grid_flight(const char* path, int frames) {
    FILE* f = fopen(path, "w");
    if (!f) exit(1);
    fprintf(f, "%d\n0 300 -500 0 299.7 -501\n", frames + 2);
    for (int i = 0; i < frames + 2; ++i) fprintf(f, "60 %f 300 -0.3\n", 0.002 * i);
    fclose(f);
}

// Stereo against mono on the default world's tour and on a 2-million-face grid.
void run_stereo_benchmark(FILE* report, int width, int height, int frames) {
    report_stereo(report, FLIGHT, "Grand_Tour", width, height, frames);
    const std::string& grid = ensure_bench_file(1000);
    if (!load_terrain(grid.c_str(), texture_file_name, texture_components, texture_width, texture_height, 1)) {
        fprintf(stderr, "cannot load %s\n", grid.c_str());
        exit(1);
    }
    wait_for_terrain_levels();
    char path[] = "/tmp/kestrolane-stereo-bench-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    write_grid_flight(path, frames);
    report_stereo(report, path, "2M-face grid", width, height, frames);
    unlink(path);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 1, frames = 60, eye_width = WIDTH, eye_height = HEIGHT;
    bool stereo = false;
    const char* world = KESTROLANE_WORLD_DIR;
    bool story = false;
    std::vector<std::string> ride_args;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--rounds") && i + 1 < argc) rounds = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--frames") && i + 1 < argc) frames = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--size") && i + 1 < argc) sscanf(argv[++i], "%dx%d", &eye_width, &eye_height);
        else if (!strcmp(argv[i], "--stereo")) stereo = true;
        else if (!strcmp(argv[i], "--story") && i + 1 < argc) {
            story = true;
            world = argv[++i];
        } else if (!strcmp(argv[i], "--")) {
            for (++i; i < argc; ++i) ride_args.push_back(argv[i]);
        } else world = argv[i];
    }
    if (story && ride_args.empty()) {
        fprintf(stderr, "--story WORLD needs the fly-over's arguments after --\n");
        return 2;
    }
    if (chdir(world) != 0) {
        fprintf(stderr, "Cannot enter the world directory %s\n", world);
        return 1;
    }
    if (story) return measure_story(rounds, ride_args);
    // A private server with a screen as large as the frames, for both sides.
    unsetenv("DISPLAY");
    char description[160], error[256];
    if (!open_render_display(WIDTH, HEIGHT, description, sizeof description, error, sizeof error)) {
        fprintf(stderr, "%s\n", error);
        return 1;
    }
    atexit([] { close_render_display(); });
    freopen("/dev/null", "w", stdout);  // the loaders' progress lines
    FILE* report = fdopen(dup(2), "w");
    int glut_argc = 1;
    glutInit(&glut_argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(WIDTH, HEIGHT);
    glutCreateWindow("Kestrolane");
    glutDisplayFunc(draw_frame);
    use_default_start_files();
    init_scene();
    glutMainLoopEvent();
    on_reshape(WIDTH, HEIGHT);
    if (stereo) {
        run_stereo_benchmark(report, eye_width, eye_height, frames);
        return 0;
    }

    fprintf(report, "Grand_Tour at %d x %d, frames a second (%s):\n", WIDTH, HEIGHT, description);
    fprintf(report, "%-8s %12s %12s %12s %8s\n", "round", "interactive", "read back", "to MP4", "ratio");
    double sum_ratio = 0.0;
    for (int r = 1; r <= rounds; ++r) {
        double interactive = interactive_rate();
        double read_back = readback_rate();
        double video = render_rate(KESTROLANE_EXE);
        double ratio = interactive > 0 ? video / interactive : 0.0;
        sum_ratio += ratio;
        fprintf(report, "%-8d %12.1f %12.1f %12.1f %7.0f%%\n", r, interactive, read_back, video, 100 * ratio);
        fflush(report);
    }
    fprintf(report, "MP4 rendering runs at %.0f%% of the interactive frame rate (mean of %d round%s)\n",
            100 * sum_ratio / rounds, rounds, rounds == 1 ? "" : "s");
    return 0;
}

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
#include <GL/freeglut.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/child_process.h"
#include "flythrough/flythrough_file.h"
#include "flythrough/frame_modes.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "gl/frame_capture.h"
#include "state/flythrough_state.h"
#include "state/overlay_state.h"
#include "state/world_state.h"
#include "terrain/terrain_list.h"
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

}  // namespace

int main(int argc, char** argv) {
    int rounds = 1;
    const char* world = KESTROLANE_WORLD_DIR;
    bool story = false;
    std::vector<std::string> ride_args;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--rounds") && i + 1 < argc) rounds = atoi(argv[++i]);
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

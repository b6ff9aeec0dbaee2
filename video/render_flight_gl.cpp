// The flight-rendering mode: a recorded flythrough rendered into an MP4 or a PNG still.
//
// The frames come from the viewer's own start-up, loaders, playback mode
// machine and frame passes, so a video frame is what playback shows: frame 0
// is the start pose, frame k the view after k samples (playback's last
// sample is never shown, as the viewer draws that frame unviewed).
#include "video/render_flight.h"

#include <GL/freeglut.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/child_process.h"
#include "files/png_file.h"
#include "files/whole_file.h"
#include "camera/camera.h"
#include "files/ride_text.h"
#include "flythrough/flythrough_file.h"
#include "flythrough/frame_modes.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "frame/stereo_frame.h"
#include "state/frame_state.h"
#include "geometry/placement.h"
#include "gl/frame_capture.h"
#include "scene/sky.h"
#include "state/app_state.h"
#include "state/overlay_state.h"
#include "state/render_state.h"
#include "state/session_state.h"
#include "state/sky_state.h"
#include "state/stereo_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/level_lists.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "terrain/texture.h"
#include "video/render_display.h"
#include "video/render_options.h"
#include "video/ride_story.h"
#include "video/video_encoder.h"

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int PROGRESS_WIDTH = 30;          // characters of the bar
constexpr double PROGRESS_INTERVAL = 0.25;  // seconds between updates on a terminal
constexpr int WINDOW_SIDE = 64;             // the hidden window; frames are drawn offscreen

namespace {

bool ends_with(const char* text, const char* end) {
    const size_t n = strlen(text), m = strlen(end);
    return n >= m && strcmp(text + n - m, end) == 0;
}

// Frame k of the video: played back, or placed from the fly-over with what it shows.
void draw_render_frame(const RenderOptions& o, int k) {
    if (!render_ride_on) {
        draw_frame_unswapped(o.overlay);
        return;
    }
    const RideFrame f = interpolate_ride_frame(render_ride, (double)k / o.fps);
    const float eye[3] = {(float)f.eye[0], (float)f.eye[1], (float)f.eye[2]};
    const float look[3] = {(float)f.look[0], (float)f.look[1], (float)f.look[2]};
    point_camera(eye, look);
    render_rider_along = f.along;
    draw_scene_unstepped();  // with the route and the rider, for each eye
    draw_stereo_overlay_pass(draw_ride_panels);  // at screen depth
    if (o.overlay) draw_overlay_unswapped();
}

double seconds_now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int fail(const char* format, const char* a, const char* b = "") {
    fprintf(stderr, "kestrolane: ");
    fprintf(stderr, format, a, b);
    fprintf(stderr, "\n");
    return EXIT_FAILED;
}

// Leaves nothing behind: no half-written output, no ffmpeg, no Xvfb.
void clean_up() {
    kill_video_encoder();
    if (render_output_begun) discard_whole_file(&render_output);
    render_output_begun = false;
    close_render_display();
}

// On a stop signal, before the temporary files go: no more video, no Xvfb.
void stop_helpers() {
    kill_video_encoder();
    close_render_display();
}

void install_clean_up() {
    atexit(clean_up);
    remove_temporaries_on_stop_signals(stop_helpers);
}

// What earlier runs stopped by kill -9 left: a video or still never
// finished beside this output, keys of private X servers and ffmpeg's
// message files.
void sweep_render_temporaries(const char* output_path) {
    char folder[RENDER_PATH_SIZE];
    copy_folder(output_path, folder, sizeof folder);
    sweep_stale_saves(folder);
    sweep_stale_temporaries(TEMPORARY_FOLDER, XAUTH_FILE_PREFIX, "");
    sweep_stale_temporaries(TEMPORARY_FOLDER, FFMPEG_LOG_PREFIX, "");
}

bool is_readable_file(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, R_OK) == 0;
}

// Every file the run will read, checked before any window opens.
int check_world_files(const RenderOptions& o) {
    const char* hint = "; run in a world directory such as build/world";
    if (!is_readable_file(terrain_file_name)) return fail("No terrain %s here%s", terrain_file_name, hint);
    if (!is_readable_file(texture_file_name)) return fail("No terrain picture %s here%s", texture_file_name, hint);
    struct {
        const char* name;
        const char* folder;
        const char* what;
    } assets[] = {{o.terrain, "DEM", "terrain"},
                  {o.drape, "Drape", "drape"},
                  {o.map, "Map", "map"},
                  {o.vector, "Vector", "geometry layer"}};
    for (const auto& a : assets) {
        char path[RENDER_PATH_SIZE + 16];
        snprintf(path, sizeof path, "%s/%s", a.folder, a.name);
        if (a.name[0] && !is_readable_file(path)) {
            char what[64];
            snprintf(what, sizeof what, "No %s", a.what);
            return fail("%s %s", what, path);
        }
    }
    return 0;
}

// The window and GL context, on a display that may be a private Xvfb.
int open_window(const char* program) {
    char description[160], error[RENDER_ERROR_SIZE];
    // The picture is drawn offscreen, so a private screen can stay small.
    if (!open_render_display(640, 480, description, sizeof description, error, sizeof error))
        return fail("%s", error);
    printf("Rendering %s\n", description);
    fflush(stdout);
    int glut_argc = 1;
    char* glut_argv[] = {(char*)program, nullptr};
    glutInit(&glut_argc, glut_argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_SIDE, WINDOW_SIDE);
    glutCreateWindow("Kestrolane");
    // Nothing is shown in the window; hide it before the scene is set up, as
    // hiding lets GLUT reset the viewport.
    glutDisplayFunc([] {});
    glutHideWindow();
    glutMainLoopEvent();
    return 0;
}

// The assets and switches asked for, loaded as the menus and keys load them.
int set_up_scene(const RenderOptions& o, const char* flight_name) {
    char path[RENDER_PATH_SIZE + 16];
    if (o.terrain[0]) {
        snprintf(path, sizeof path, "./DEM/%s", o.terrain);
        if (!load_terrain(path, texture_file_name, texture_components, texture_width, texture_height, 1))
            return fail("The terrain %s cannot be loaded", path);
    }
    if (o.drape[0] || o.map[0]) {
        snprintf(path, sizeof path, "/%s/%s", o.drape[0] ? "Drape" : "Map", o.drape[0] ? o.drape : o.map);
        if (!load_drape(path)) return fail("The picture .%s cannot be loaded", path);
    }
    if (o.vector[0] && !load_geometry_layer(o.vector)) return fail("The geometry layer Vector/%s cannot be loaded", o.vector);
    if (o.fog) toggle_fog();
    panoramic_sky_on = o.sky;
    stereo_on = o.stereo;
    stereo_mode = o.stereo_mode;
    overlay_visible = o.overlay;
    if (o.overlay) show_message("Playing Flythrough: %s", flight_name);
    else hide_message();
    return 0;
}

void print_progress(int done, int total, double elapsed, bool last) {
    static double last_print = -1.0;
    static int last_tenth = -1;
    bool terminal = isatty(1);
    int tenth = done * 10 / total;
    if (!last && (terminal ? elapsed - last_print < PROGRESS_INTERVAL : tenth == last_tenth)) return;
    last_print = elapsed;
    last_tenth = tenth;
    int filled = done * PROGRESS_WIDTH / total;
    char bar[PROGRESS_WIDTH + 1];
    for (int i = 0; i < PROGRESS_WIDTH; ++i) bar[i] = i < filled ? '#' : '.';
    bar[PROGRESS_WIDTH] = '\0';
    double rate = elapsed > 0 ? done / elapsed : 0.0;
    int left = rate > 0 ? (int)((total - done) / rate + 0.5) : 0;
    printf("%s[%s] %d/%d frames  %.1f frames/s  %d:%02d left   %s", terminal ? "\r" : "", bar, done, total, rate,
           left / 60, left % 60, terminal && !last ? "" : "\n");
    fflush(stdout);
}

// Copies the oldest frame read back into an encoder buffer and queues it.
bool pass_frame_to_encoder(size_t frame_bytes) {
    unsigned char* buffer = take_encoder_buffer();
    if (!buffer) {
        release_frame_read();
        return false;
    }
    const unsigned char* pixels = map_oldest_frame_read();
    if (pixels) memcpy(buffer, pixels, frame_bytes);
    release_frame_read();
    queue_encoder_frame(buffer);
    return pixels != nullptr;
}

int render_video(const RenderOptions& o, int frames) {
    char error[RENDER_ERROR_SIZE];
    if (!start_video_encoder(render_output.fd, o.output_path, o.width, o.height, o.fps,
                             video_stereo_for(o.stereo, o.stereo_mode), error, sizeof error))
        return fail("%s", error);
    size_t frame_bytes = (size_t)o.width * o.height * 4;
    double start = seconds_now();
    bool fed = true;
    int done = 0;
    for (; done < frames && fed; ++done) {
        long draws_before = terrain_draws_done;
        draw_render_frame(o, done);
        queue_frame_read();
        // The previous frame is collected while this one is being read; its
        // pixels are there, so the GL is past every draw before this frame.
        if (frame_reads_pending() > 1) {
            fed = pass_frame_to_encoder(frame_bytes);
            if (fed) release_terrain_draw_fences(draws_before);
        }
        if (done + 1 < frames) print_progress(done + 1, frames, seconds_now() - start, false);
    }
    while (fed && frame_reads_pending() > 0) fed = pass_frame_to_encoder(frame_bytes);
    glFinish();
    release_terrain_draw_fences(terrain_draws_done);
    bool encoded = finish_video_encoder(error, sizeof error);
    if (!encoded || !fed) {
        if (isatty(1)) printf("\n");
        fflush(stdout);
        return fail("%s", encoded ? "A frame could not be read back from GL" : error);
    }
    double elapsed = seconds_now() - start;
    print_progress(frames, frames, elapsed, true);
    render_output_begun = false;
    if (!finish_whole_file(&render_output, error, sizeof error)) return fail("%s", error);
    struct stat st;
    double megabytes = stat(o.output_path, &st) == 0 ? st.st_size / 1e6 : 0.0;
    double duration = (double)frames / o.fps;
    printf("Wrote %s: %d frames, %d:%05.2f at %d fps, %d x %d, %.1f MB; rendered in %.1f s (%.1f frames/s)\n",
           o.output_path, frames, (int)duration / 60, duration - 60 * ((int)duration / 60), o.fps, o.width, o.height,
           megabytes, elapsed, frames / elapsed);
    return 0;
}

int render_still(const RenderOptions& o, int frames) {
    if (!render_ride_on)
        for (int k = 0; k < o.still_frame; ++k) step_frame_camera();
    draw_render_frame(o, o.still_frame);
    queue_frame_read();
    const unsigned char* pixels = map_oldest_frame_read();
    if (pixels) release_terrain_draw_fences(terrain_draws_done);
    char error[RENDER_ERROR_SIZE];
    bool ok = pixels && append_png_image(&render_output, pixels, o.width, o.height, 4, true, error, sizeof error);
    if (!pixels) snprintf(error, sizeof error, "The frame could not be read back from GL");
    release_frame_read();
    if (!ok) return fail("%s", error);
    render_output_begun = false;
    if (!finish_whole_file(&render_output, error, sizeof error)) return fail("%s", error);
    struct stat st;
    double megabytes = stat(o.output_path, &st) == 0 ? st.st_size / 1e6 : 0.0;
    printf("Wrote %s: frame %d of %d, %d x %d, %.1f MB\n", o.output_path, o.still_frame, frames, o.width, o.height,
           megabytes);
    return 0;
}

}  // namespace

bool is_render_flight_command(int argc, char** argv) {
    return argc > 1 && (!strcmp(argv[1], RENDER_FLIGHT_OPTION) || !strcmp(argv[1], "--help"));
}

int run_render_flight(int argc, char** argv) {
    RenderOptions o;
    char error[RENDER_ERROR_SIZE];
    if (!strcmp(argv[1], "--help")) {
        print_render_help(stdout);
        return 0;
    }
    if (!parse_render_options(argc - 2, argv + 2, &o, error, sizeof error)) {
        fprintf(stderr, "kestrolane %s: %s\n(kestrolane --render-flight --help lists the options)\n",
                RENDER_FLIGHT_OPTION, error);
        return EXIT_USAGE;
    }
    if (o.help) {
        print_render_help(stdout);
        return 0;
    }
    // No dialogue; and a fatal error of the loaders must not wait for a key.
    if (!freopen("/dev/null", "r", stdin)) return fail("Cannot close the console input%s", "");
    install_clean_up();
    sweep_render_temporaries(o.output_path);

    // A fly-over of a track is read whole; a recorded flight into playback's buffers.
    render_ride_on = ends_with(o.flight_path, RIDE_SUFFIX);
    int frames = 0;
    if (render_ride_on) {
        std::string why;
        if (!read_ride_text(o.flight_path, &render_ride, &why)) return fail("%s", why.c_str());
        frames = count_ride_frames(render_ride, o.fps);
    } else {
        frames = read_flythrough_file(o.flight_path, error, sizeof error);
        if (frames <= 0) return fail("%s", error);
    }
    if (o.still_frame >= frames) {
        char asked[32], range[64];
        snprintf(asked, sizeof asked, "%d", o.still_frame);
        snprintf(range, sizeof range, "%d frames (0 to %d)", frames, frames - 1);
        return fail("There is no frame %s: the flight has %s", asked, range);
    }
    use_default_start_files();
    if (check_world_files(o)) return EXIT_FAILED;
    RenderInputs inputs;
    list_render_inputs(o, terrain_file_name, texture_file_name, &inputs);
    if (!check_output_apart(o, inputs, error, sizeof error)) return fail("%s", error);
    // The output's temporary file is made before any window opens, so that
    // an output that cannot be written is refused at once.
    if (!begin_whole_file(o.output_path, &render_output, error, sizeof error)) return fail("%s", error);
    render_output_begun = true;
    if (o.still_frame < 0) {
        char ffmpeg[1024];
        if (!find_program(FFMPEG_PROGRAM, ffmpeg, sizeof ffmpeg))
            return fail("ffmpeg is not installed (or not on PATH); install Debian's ffmpeg package "
                        "(scripts/install_deps.sh does)%s", "");
    }

    // A chosen terrain takes the start-up terrain's place at once: no levels
    // are built for the one that stands in until then.
    terrain_lod_error = o.terrain[0] ? 0.0f : o.lod_error;
    terrain_lod_forced = o.lod_given;
    if (open_window(argv[0])) return EXIT_FAILED;
    init_scene();
    terrain_lod_error = o.lod_error;
    if (!open_capture_target(o.width, o.height, error, sizeof error)) return fail("%s", error);
    on_reshape(o.width, o.height);
    const char* slash = strrchr(o.flight_path, '/');
    if (set_up_scene(o, slash ? slash + 1 : o.flight_path)) return EXIT_FAILED;
    // Every frame with the same levels and own-face lists, however fast
    // they were built.
    wait_for_terrain_levels();
    terrain_exact_waits = 1;
    if (render_ride_on) {
        render_story = lay_out_ride_story(render_ride, o.eye_width, o.eye_height, o.hidden_story);
        set_scene_addition(draw_ride_route);
    } else {
        begin_playback(frames);
    }
    int status = o.still_frame >= 0 ? render_still(o, frames) : render_video(o, frames);
    fflush(stdout);
    close_capture_target();
    return status;
}

// Program entry: the flight renderer, or the viewer's dialogue, window, scene and event loop.
#include <cstdio>
#include <cstdlib>

#include "app/startup.h"
#include "app/window.h"
#include "frame/scene_init.h"
#include "state/session_state.h"
#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"
#include "video/render_flight.h"

int main(int argc, char** argv) {
    if (is_render_flight_command(argc, argv)) return run_render_flight(argc, argv);
    const char* display = getenv("DISPLAY");
    if (!display || !*display) {
        fprintf(stderr, "Kestrolane needs a graphical display, and DISPLAY is not set.\n");
        return 1;
    }
    sweep_save_temporaries();
    // GLUT must be up before the screen size can be asked for.
    start_window_system(&argc, argv);
    ViewerOptions options;
    char error[160];
    if (!parse_viewer_options(argc, argv, &options, error, sizeof error)) {
        fprintf(stderr, "kestrolane: %s\n", error);
        return 2;
    }
    terrain_lod_error = options.lod_error;
    terrain_lod_forced = options.lod_given;
    if (options.stereo_mode >= 0) {
        stereo_on = 1;
        stereo_mode = options.stereo_mode;
    }
    run_start_dialogue(stdin);
    open_viewer_window();
    init_scene();
    if (options.quads) terrain_primitive = PRIMITIVE_QUADS;
    run_viewer();
}

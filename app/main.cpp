// Program entry: console dialogue, window, scene, callbacks, event loop.
#include <GL/glut.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/render_flight.h"
#include "app/scene.h"
#include "app/startup.h"
#include "input/joystick.h"
#include "state/app_state.h"
#include "state/joystick_state.h"
#include "state/terrain_draw_state.h"

constexpr int REFERENCE_WIDTH = 1024;
constexpr int REFERENCE_HEIGHT = 768;

int main(int argc, char** argv) {
    if (is_render_flight_command(argc, argv)) return run_render_flight(argc, argv);
    const char* display = getenv("DISPLAY");
    if (!display || !*display) {
        fprintf(stderr, "Kestrolane needs a graphical display, and DISPLAY is not set.\n");
        return 1;
    }
    // GLUT must be up before the screen size can be asked for.
    glutInit(&argc, argv);
    window_width = glutGet(GLUT_SCREEN_WIDTH);
    window_height = glutGet(GLUT_SCREEN_HEIGHT);

    run_start_dialogue(stdin);

    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    if (window_width == REFERENCE_WIDTH && window_height == REFERENCE_HEIGHT) full_screen = 1;
    window_width = REFERENCE_WIDTH;
    window_height = REFERENCE_HEIGHT;
    glutInitWindowPosition(0, 0);  // without a window manager, GLUT would place it partly off screen
    glutInitWindowSize(REFERENCE_WIDTH, REFERENCE_HEIGHT);
    glutCreateWindow("Kestrolane");
    if (full_screen) glutFullScreen();

    init_scene();
    register_callbacks();
    if (argc > 1 && strcmp(argv[1], "-q") == 0) terrain_primitive = PRIMITIVE_QUADS;
    glutJoystickFunc(on_joystick, 100);
    // Calibration starts pending so the first sample is taken as the centre.
    joystick_calibrating = 1;
    joystick_first_sample = 1;
    glutReshapeFunc(on_reshape);
    glutMainLoop();
    return 0;
}

// The viewer's window: GLUT, the window itself, its callbacks and the event loop.
#include "app/window.h"

#include <GL/glut.h>
#include <cstdlib>

#include "app/menus.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "input/camera_keys.h"
#include "input/joystick.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "state/app_state.h"
#include "state/joystick_state.h"

constexpr int REFERENCE_WIDTH = 1024;
constexpr int REFERENCE_HEIGHT = 768;
constexpr int JOYSTICK_POLL_MS = 100;

void start_window_system(int* argc, char** argv) {
    glutInit(argc, argv);
    window_width = glutGet(GLUT_SCREEN_WIDTH);
    window_height = glutGet(GLUT_SCREEN_HEIGHT);
}

void open_viewer_window() {
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    if (window_width == REFERENCE_WIDTH && window_height == REFERENCE_HEIGHT) full_screen = 1;
    window_width = REFERENCE_WIDTH;
    window_height = REFERENCE_HEIGHT;
    glutInitWindowPosition(0, 0);  // without a window manager, GLUT would place it partly off screen
    glutInitWindowSize(REFERENCE_WIDTH, REFERENCE_HEIGHT);
    glutCreateWindow("Kestrolane");
    if (full_screen) glutFullScreen();
}

[[noreturn]] void run_viewer() {
    glutDisplayFunc(draw_frame);
    glutIdleFunc(draw_frame);
    build_menus();
    glutKeyboardFunc(on_keyboard);
    glutMouseFunc(on_mouse);
    glutMotionFunc(on_motion);
    glutPassiveMotionFunc(on_passive_motion);
    glutSpecialFunc(on_special_key);
    glutSpecialUpFunc(on_special_key_up);
    glutJoystickFunc(on_joystick, JOYSTICK_POLL_MS);
    // Calibration starts pending so the first sample is taken as the centre.
    joystick_calibrating = 1;
    joystick_first_sample = 1;
    glutReshapeFunc(on_reshape);
    glutMainLoop();
    exit(0);  // GLUT's loop does not return
}

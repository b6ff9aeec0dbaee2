// The arrow-key callbacks: camera changes shown at once.
#include "input/camera_keys.h"

#include <GL/glut.h>

#include "app/screenshot.h"
#include "input/camera.h"
#include "render/frame.h"
#include "state/camera_state.h"

static_assert(GLUT_KEY_LEFT == 100 && GLUT_KEY_UP == 101 && GLUT_KEY_RIGHT == 102 && GLUT_KEY_DOWN == 103,
              "camera_pose.cpp repeats GLUT's arrow key codes");
static_assert(GLUT_ACTIVE_CTRL == 2 && GLUT_ACTIVE_ALT == 4, "camera_pose.cpp repeats GLUT's modifier bits");

void on_special_key(int key, int, int) {
    if (key == GLUT_KEY_F12) save_screenshot();
    bool draw_now = apply_special_key(key, glutGetModifiers());
    if (key == GLUT_KEY_UP || key == GLUT_KEY_DOWN) apply_view();  // a height change shows at once
    if (draw_now) draw_frame();
}

void on_special_key_up(int key, int, int) { apply_special_key_up(key); }

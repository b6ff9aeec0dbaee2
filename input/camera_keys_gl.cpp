// The arrow-key callbacks: camera changes shown at once.
#include "input/camera_keys.h"

#include <GL/glut.h>

#include "camera/camera.h"
#include "gl/screenshot.h"
#include "state/camera_state.h"

static_assert(GLUT_KEY_LEFT == 100 && GLUT_KEY_UP == 101 && GLUT_KEY_RIGHT == 102 && GLUT_KEY_DOWN == 103,
              "camera.cpp repeats GLUT's arrow key codes");
static_assert(GLUT_ACTIVE_CTRL == 2 && GLUT_ACTIVE_ALT == 4, "camera.cpp repeats GLUT's modifier bits");

void on_special_key(int key, int, int) {
    if (key == GLUT_KEY_F12) save_screenshot();
    press_arrow_key(key, glutGetModifiers());
}

void on_special_key_up(int key, int, int) { apply_special_key_up(key); }

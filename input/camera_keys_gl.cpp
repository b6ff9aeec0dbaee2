// The arrow-key callbacks: camera changes shown at once.
#include "input/camera_keys.h"

#include <GL/glut.h>

#include "camera/arrow_keys.h"
#include "camera/camera.h"
#include "input/keyboard.h"
#include "state/camera_state.h"

static_assert(GLUT_KEY_LEFT == KEY_LEFT && GLUT_KEY_UP == KEY_UP && GLUT_KEY_RIGHT == KEY_RIGHT &&
                  GLUT_KEY_DOWN == KEY_DOWN && GLUT_KEY_F12 == KEY_F12,
              "camera/arrow_keys.h names GLUT's key codes");
static_assert(GLUT_ACTIVE_SHIFT == MOD_SHIFT && GLUT_ACTIVE_CTRL == MOD_CTRL && GLUT_ACTIVE_ALT == MOD_ALT,
              "camera/arrow_keys.h names GLUT's modifier bits");

void on_special_key(int key, int, int) { on_special_key_command(key, glutGetModifiers()); }

void on_special_key_up(int key, int, int) { apply_special_key_up(key); }

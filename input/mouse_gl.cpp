// The mouse: left presses go to the file panel, the overlay or picking.
#include "input/mouse.h"

#include <GL/glut.h>
#include <cstdio>

#include "overlay/file_panel.h"
#include "overlay/tray_actions.h"
#include "overlay/tray_logic.h"
#include "state/file_panel_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "terrain/picking.h"

namespace {

// GLUT's y counts down from the top; the overlay and GL count up from the bottom.
int bottom_up_y(int y) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    return viewport[3] - y - 1;
}

// The pick ray through pixel (x, y_up) under the view and projection of the
// last frame.
void unproject_pick_ray(int x, int y_up) {
    GLint viewport[4];
    GLdouble modelview[16], projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    gluUnProject(x, y_up, 0.0, modelview, projection, viewport, &ray_near[0], &ray_near[1], &ray_near[2]);
    gluUnProject(x, y_up, 1.0, modelview, projection, viewport, &ray_far[0], &ray_far[1], &ray_far[2]);
}

}  // namespace

void on_mouse(int button, int state, int x, int y) {
    if (button != GLUT_LEFT_BUTTON) return;
    if (state != GLUT_DOWN) {
        release_mouse_holds();
        return;
    }
    int y_up = bottom_up_y(y);
    mouse_modifiers = glutGetModifiers();  // a disk arrow acts as its key with these held
    if (file_panel_open) {
        file_panel_click(x, y_up);
    } else if (overlay_visible) {
        hit_test_overlay(x, y_up);
    } else {
        unproject_pick_ray(x, y_up);
        pick_face();
        fflush(stdout);
    }
}

void on_motion(int, int y) { drag_look_pad(y); }

void on_passive_motion(int x, int y) {
    if (help_mode) hit_test_overlay(x, bottom_up_y(y));
}

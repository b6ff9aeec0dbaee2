// The mouse's GL half: the viewport, the modifier keys and the pick ray.
#include "input/mouse.h"

#include <GL/glut.h>

#include "state/mouse_state.h"

static_assert(MOUSE_LEFT_BUTTON == GLUT_LEFT_BUTTON && MOUSE_BUTTON_DOWN == GLUT_DOWN,
              "the mouse's state half names GLUT's button and state values");

int window_y_up(int y) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    return viewport[3] - y - 1;
}

int read_mouse_modifiers() { return glutGetModifiers(); }

void unproject_pick_ray(int x, int y_up) {
    GLint viewport[4];
    GLdouble modelview[16], projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    gluUnProject(x, y_up, 0.0, modelview, projection, viewport, &ray_near[0], &ray_near[1], &ray_near[2]);
    gluUnProject(x, y_up, 1.0, modelview, projection, viewport, &ray_far[0], &ray_far[1], &ray_far[2]);
}

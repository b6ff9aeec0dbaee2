// The camera's view transform and the height steps.
#include <GL/glu.h>

#include "camera/camera.h"
#include "state/camera_state.h"
#include "state/frame_state.h"

constexpr int KEY_UP = 101, KEY_DOWN = 103;  // GLUT's codes, as camera.cpp repeats them

void apply_view() {
    double v[9];
    camera_look_at(v);
    glLoadIdentity();
    gluLookAt(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
}

void advance_camera(int steps) {
    move_camera_eye(steps);
    apply_view();
}

void aim_camera(float yaw) {
    turn_camera_dir(yaw);
    apply_view();
}

void raise_camera() {
    change_camera_height((float)height_step);
    advance_camera(0);
}

void lower_camera() {
    change_camera_height(-(float)height_step);
    advance_camera(0);
}

void press_arrow_key(int key, int modifiers) {
    bool draw_now = apply_special_key(key, modifiers);
    if (key == KEY_UP || key == KEY_DOWN) apply_view();  // a height change shows at once
    if (draw_now) show_frame();
}

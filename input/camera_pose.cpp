// Camera pose changes without GL: movement, heading and arrow-key state.
#include <cmath>

#include "input/camera.h"
#include "state/camera_state.h"
#include "state/overlay_state.h"

// GLUT's key codes and modifier bits, repeated here so that this file needs
// no GL headers.
constexpr int KEY_LEFT = 100;
constexpr int KEY_UP = 101;
constexpr int KEY_RIGHT = 102;
constexpr int KEY_DOWN = 103;
constexpr int MOD_CTRL = 2;
constexpr int MOD_ALT = 4;

void move_camera_eye(int steps) {
    camera_eye_z += steps * camera_dir_z * ADVANCE_SCALE;
    camera_eye_x += steps * camera_dir_x * ADVANCE_SCALE;
    camera_eye_y = camera_height;
}

void turn_camera_dir(float yaw) {
    camera_dir_z = (float)-std::cos((double)yaw);
    camera_dir_x = (float)std::sin((double)yaw);
}

void step_camera_pose() {
    camera_speed = camera_fwd_speed - camera_back_speed;
    if (hold_look_left) camera_turn_left += turn_step;
    if (hold_look_right) camera_turn_right += turn_step;
    camera_yaw = camera_turn_right - camera_turn_left;
    // Each move uses the previous frame's direction; the turn comes after.
    move_camera_eye((int)camera_speed);
    turn_camera_dir(camera_yaw);
}

bool apply_special_key(int key, int modifiers) {
    switch (key) {
        case KEY_LEFT:
            if (modifiers != MOD_CTRL) camera_turn_left += turn_step;
            return false;
        case KEY_RIGHT:
            camera_turn_right += turn_step;
            return false;
        case KEY_UP:
            if (modifiers == MOD_CTRL) {
                camera_height += height_step;
                move_camera_eye(0);
                return false;
            }
            if (modifiers == MOD_ALT) {
                camera_dir_y += LOOK_STEP;
                return false;
            }
            camera_fwd_speed = (float)move_speed;
            return true;
        case KEY_DOWN:
            if (modifiers == MOD_CTRL) {
                camera_height -= height_step;
                move_camera_eye(0);
                return false;
            }
            if (modifiers == MOD_ALT) {
                camera_dir_y -= LOOK_STEP;
                return false;
            }
            camera_back_speed = (float)move_speed;
            return true;
        default:
            return false;
    }
}

void apply_special_key_up(int key) {
    if (key == KEY_UP) camera_fwd_speed = 0.0f;
    else if (key == KEY_DOWN) camera_back_speed = 0.0f;
}

void camera_look_at(double out[9]) {
    out[0] = camera_eye_x;
    out[1] = camera_eye_y;
    out[2] = camera_eye_z;
    out[3] = (double)camera_eye_x + camera_dir_x;
    out[4] = (double)camera_eye_y + camera_dir_y;
    out[5] = (double)camera_eye_z + camera_dir_z;
    out[6] = 0.0;
    out[7] = 1.0;
    out[8] = 0.0;
}

// Camera pose changes without GL: movement, heading and arrow-key state.
#include <cmath>

#include "camera/arrow_keys.h"
#include "camera/camera.h"
#include "state/camera_state.h"
#include "state/overlay_state.h"

// GLUT's key codes and modifier bits, repeated here so that this file needs
// no GL headers.

namespace {

// The whole steps of a speed, truncated toward zero; a speed beyond int's
// range (or not a number) cannot become one, so it saturates (or gives 0).
int speed_steps(float speed) {
    if (!(speed == speed)) return 0;
    if (speed >= 2147483647.0f) return 2147483647;
    if (speed <= -2147483647.0f) return -2147483647;
    return (int)speed;
}

}  // namespace

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
    move_camera_eye(speed_steps(camera_speed));
    turn_camera_dir(camera_yaw);
}

void play_camera_sample(float speed, float height, float yaw, float dir_y) {
    camera_speed = speed;
    camera_height = height;
    camera_yaw = yaw;
    camera_dir_y = dir_y;
    move_camera_eye(speed_steps(camera_speed));
    turn_camera_dir(camera_yaw);
}

void point_camera(const float eye[3], const float target[3]) {
    camera_eye_x = eye[0];
    camera_eye_y = eye[1];
    camera_eye_z = eye[2];
    camera_dir_x = target[0] - eye[0];
    camera_dir_y = target[1] - eye[1];
    camera_dir_z = target[2] - eye[2];
}

void return_camera_to_origin() {
    camera_eye_x = camera_eye_y = camera_eye_z = 0.0f;
    camera_dir_x = camera_dir_y = camera_dir_z = 0.0f;
    camera_height = 0.0f;
}

void clear_camera_depth_and_direction() {
    camera_eye_z = 0.0f;
    camera_dir_x = camera_dir_y = camera_dir_z = 0.0f;
}

void set_camera_speeds(float fwd, float back) {
    camera_fwd_speed = fwd;
    camera_back_speed = back;
}

void change_camera_height(float amount) { camera_height += amount; }

void tilt_camera(float amount) { camera_dir_y += amount; }

void turn_camera_left() { camera_turn_left += turn_step; }

void turn_camera_right() { camera_turn_right += turn_step; }

bool apply_special_key(int key, int modifiers) {
    switch (key) {
        case KEY_LEFT:
            if (modifiers != MOD_CTRL) turn_camera_left();
            return false;
        case KEY_RIGHT:
            turn_camera_right();
            return false;
        case KEY_UP:
            if (modifiers == MOD_CTRL) {
                change_camera_height((float)height_step);
                move_camera_eye(0);
                return false;
            }
            if (modifiers == MOD_ALT) {
                tilt_camera(LOOK_STEP);
                return false;
            }
            camera_fwd_speed = (float)move_speed;
            return true;
        case KEY_DOWN:
            if (modifiers == MOD_CTRL) {
                change_camera_height(-(float)height_step);
                move_camera_eye(0);
                return false;
            }
            if (modifiers == MOD_ALT) {
                tilt_camera(-LOOK_STEP);
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

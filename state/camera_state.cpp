// Definitions of the camera state; reset_camera_state gives every start value.
#include "state/camera_state.h"

float camera_eye_x, camera_eye_y, camera_eye_z;
float camera_dir_x, camera_dir_y, camera_dir_z;
float camera_height;
float camera_yaw;
float camera_turn_left;
float camera_turn_right;
float camera_fwd_speed;
float camera_back_speed;
float camera_speed;

int move_speed;
int height_step;
float turn_step;

void reset_camera_state() {
    camera_eye_x = camera_eye_y = camera_eye_z = 0.0f;
    camera_dir_x = camera_dir_y = camera_dir_z = 0.0f;
    camera_height = 0.0f;
    camera_yaw = camera_turn_left = camera_turn_right = 0.0f;
    camera_fwd_speed = camera_back_speed = camera_speed = 0.0f;
    move_speed = 75;
    height_step = 5;
    turn_step = 0.05f;
}

// The start values hold from before main.
[[maybe_unused]] static const bool camera_state_started = (reset_camera_state(), true);

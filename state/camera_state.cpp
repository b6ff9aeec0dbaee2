// Definitions of the camera state.
#include "state/camera_state.h"

float camera_eye_x = 0.0f, camera_eye_y = 0.0f, camera_eye_z = 0.0f;
float camera_dir_x = 0.0f, camera_dir_y = 0.0f, camera_dir_z = 0.0f;
float camera_height = 0.0f;
float camera_yaw = 0.0f;
float camera_turn_left = 0.0f;
float camera_turn_right = 0.0f;
float camera_fwd_speed = 0.0f;
float camera_back_speed = 0.0f;
float camera_speed = 0.0f;

int move_speed = 75;
int height_step = 5;
float turn_step = 0.05f;

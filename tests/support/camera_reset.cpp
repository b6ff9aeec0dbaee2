// Puts the camera back to its start-up state for a test.
#include "tests/support/camera_reset.h"

#include "state/camera_state.h"
#include "state/overlay_state.h"

void reset_camera_for_test(int speed, int step) {
    camera_eye_x = camera_eye_y = camera_eye_z = 0;
    camera_dir_x = camera_dir_y = camera_dir_z = 0;
    camera_height = camera_yaw = camera_turn_left = camera_turn_right = 0;
    camera_fwd_speed = camera_back_speed = camera_speed = 0;
    move_speed = speed;
    height_step = step;
    hold_look_left = hold_look_right = 0;
}

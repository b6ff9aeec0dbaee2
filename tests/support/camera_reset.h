// Puts the camera back to its start-up state for a test.
#pragma once

// Eye, direction, height, heading, turns and speeds at 0, no disk arrow
// held; move_speed and height_step as given.
void reset_camera_for_test(int speed, int step);

// Joystick flight: calibration on the first button press, then flying.
#include "input/joystick.h"

#include <cstdio>
#include <cstdlib>

#include "camera/camera.h"
#include "state/camera_state.h"
#include "state/joystick_state.h"

constexpr int DEAD_ZONE = 150;        // axis units either side of the centre, inclusive
constexpr int TURN_THRESHOLD = 50;    // axis units; strictly more turns
constexpr float LOOK_TILT_STEP = 0.05f;

namespace {

void calibrate(unsigned int buttons, int x, int y) {
    if (joystick_first_sample) {
        joystick_centre_x = x;
        joystick_centre_y = y;
        joystick_first_sample = 0;
        joystick_awaiting_button = 1;
    }
    if (joystick_awaiting_button && buttons >= 1 && buttons <= 3) {
        joystick_awaiting_button = 0;
        joystick_centre_x = x;
        joystick_centre_y = y;
        joystick_calibrating = 0;
        printf("Simple Callibration Complete...Select Viewing Window\n");
        fflush(stdout);
    }
}

void stop_motion() { set_camera_speeds(0.0f, 0.0f); }

// Beyond the dead zone: `up` is true when y lies above it.
void fly_outside_dead_zone(unsigned int buttons, int y, bool up) {
    switch (buttons) {
        case 1:
            change_camera_height(up ? (float)height_step : -(float)height_step);
            stop_motion();
            break;
        case 2:
            tilt_camera(up ? LOOK_TILT_STEP : -LOOK_TILT_STEP);
            stop_motion();
            break;
        case 3:
            stop_motion();
            break;
        default:
            // The raw reading is the speed, not its distance from the centre.
            if (up) set_camera_speeds(0.0f, (float)y);
            else set_camera_speeds((float)-y, 0.0f);
    }
}

}  // namespace

void on_joystick(unsigned int buttons, int x, int y, int) {
    if (joystick_calibrating) {
        calibrate(buttons, x, y);
        return;
    }
    if (y > joystick_centre_y + DEAD_ZONE) fly_outside_dead_zone(buttons, y, true);
    else if (y < joystick_centre_y - DEAD_ZONE) fly_outside_dead_zone(buttons, y, false);
    else stop_motion();

    if (std::abs(x - joystick_centre_x) > TURN_THRESHOLD) {
        if (x > joystick_centre_x) turn_camera_right();
        else turn_camera_left();
    }
}

// Definitions of the joystick state; reset_joystick_state gives every start value.
#include "state/joystick_state.h"

int joystick_calibrating;
int joystick_first_sample;
int joystick_awaiting_button;
int joystick_centre_x;
int joystick_centre_y;

void reset_joystick_state() {
    joystick_calibrating = joystick_first_sample = joystick_awaiting_button = 0;
    joystick_centre_x = joystick_centre_y = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool joystick_state_started = (reset_joystick_state(), true);

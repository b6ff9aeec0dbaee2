// Definitions of the joystick state.
#include "state/joystick_state.h"

int joystick_calibrating = 0;
int joystick_first_sample = 0;
int joystick_awaiting_button = 0;
int joystick_centre_x = 0;
int joystick_centre_y = 0;

// Definitions of the joystick state.
#include "state/joystick_state.h"

int joystick_calibrating = 0;
int joystick_first_sample = 0;

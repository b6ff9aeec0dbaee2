// Joystick calibration and the stick's centre.
//
// Owns: joystick_calibrating, joystick_first_sample, joystick_awaiting_button,
// joystick_centre_x, joystick_centre_y.
// Lifetime: calibration pending from start-up until a button is pressed.
// Writers: start-up (app/window_gl.cpp sets the first two), the joystick
// callback (input/joystick.cpp).
#pragma once

extern int joystick_calibrating;      // 1 while calibration is pending
extern int joystick_first_sample;     // 1 until the first sample is taken as the provisional centre
extern int joystick_awaiting_button;  // 1 after the first sample, until a button press ends calibration
extern int joystick_centre_x;         // rest position, GLUT axis units (-1000..1000)
extern int joystick_centre_y;         // rest position, GLUT axis units

// Puts every variable of the group back to its start value (no calibration pending).
void reset_joystick_state();

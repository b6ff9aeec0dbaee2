// Joystick calibration flags.
//
// Owns: joystick_calibrating, joystick_first_sample.
// Writers: start-up (sets both), the joystick callback.
#pragma once

extern int joystick_calibrating;   // 1 while calibration is pending
extern int joystick_first_sample;  // 1 until the first sample is taken as the stick's centre

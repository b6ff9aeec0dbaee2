// Joystick flight: calibration on the first button press, then the stick
// drives motion, turns, height (button 1) and look angle (button 2).
#pragma once

// GLUT joystick callback: button mask, axes x and y (-1000..1000); z unused.
void on_joystick(unsigned int buttons, int x, int y, int z);

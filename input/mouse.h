// The mouse: left presses go to the file panel, the overlay or picking;
// releases end held controls; drags on the look pad tilt the view.
#pragma once

// GLUT mouse callback (x, y: window position, origin top left).
void on_mouse(int button, int state, int x, int y);

// GLUT motion callback (a button is held).
void on_motion(int x, int y);

// GLUT passive-motion callback: in help mode the element under the pointer
// explains itself, whether or not the overlay is shown.
void on_passive_motion(int x, int y);

// The mouse: left presses go to the file panel, the overlay or picking;
// releases end held controls; drags on the look pad tilt the view.
#pragma once

constexpr int MOUSE_LEFT_BUTTON = 0;  // GLUT_LEFT_BUTTON
constexpr int MOUSE_BUTTON_DOWN = 0;  // GLUT_DOWN

// GLUT mouse callback (x, y: window position, origin top left).
void on_mouse(int button, int state, int x, int y);

// GLUT motion callback (a button is held).
void on_motion(int x, int y);

// GLUT passive-motion callback: in help mode the element under the pointer
// explains itself, whether or not the overlay is shown.
void on_passive_motion(int x, int y);

// --- The GL half (input/mouse_gl.cpp) ---

// GLUT's top-down window y as the overlay and GL count it, up from the
// bottom of the viewport.
int window_y_up(int y);

// The GLUT modifier bits held during the current mouse event.
int read_mouse_modifiers();

// Sets ray_near and ray_far: the pick ray through pixel (x, y_up) under the
// view and projection of the last frame.
void unproject_pick_ray(int x, int y_up);

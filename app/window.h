// The viewer's window: GLUT, the window itself, its callbacks and the event loop.
#pragma once

// Starts GLUT with the command line (GLUT takes its own options out of it)
// and sets window_width and window_height to the screen's size.
void start_window_system(int* argc, char** argv);

// Opens the window titled "Kestrolane": double-buffered RGB with depth,
// 1024 x 768 at the top left, full screen when the screen is exactly that size.
void open_viewer_window();

// Registers the frame callbacks, builds the menus, registers the keyboard,
// arrow-key, mouse, joystick (polled every 100 ms, calibrating on its first
// sample) and reshape callbacks, then runs GLUT's event loop, which never returns.
[[noreturn]] void run_viewer();

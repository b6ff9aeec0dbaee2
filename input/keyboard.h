// The keyboard: command keys, digit edits and the typed file names.
#pragma once

// GLUT keyboard callback; x and y are not used.
void on_keyboard(unsigned char key, int x, int y);

// Prints the farewell banner, releases the terrain and its GL objects, and
// ends the process with status 0.
[[noreturn]] void exit_viewer();

// Paints the texel under corner 0 of the picked face white and re-uploads
// the terrain texture. Does nothing without a valid picked face or image.
void mark_picked_texel();

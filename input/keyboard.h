// The keyboard: command keys, digit edits and the typed file names.
#pragma once

// GLUT keyboard callback; x and y are not used.
void on_keyboard(unsigned char key, int x, int y);

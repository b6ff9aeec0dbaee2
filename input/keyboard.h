// The keyboard: the typed file names first, then the key table's commands.
#pragma once

// GLUT keyboard callback; x and y are not used. While a name is typed every
// key goes into it (Esc cancels it); otherwise the key table acts.
void on_keyboard(unsigned char key, int x, int y);

// A special key (arrows, F12) with GLUT's modifier bits, through the key table.
void on_special_key_command(int key, int modifiers);

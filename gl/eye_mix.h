// Mixing two eyes' pictures drawn one after the other in the same place into
// one: the red/cyan anaglyph and row interlacing.
#pragma once

// Copies the drawable's region (0, 0, width, height) into the picture of eye
// `eye` (0 left, 1 right).
void keep_eye_picture(int eye, int width, int height);

// Whether this GL can mix (it compiles the programs on the first call; a GL
// that cannot is said once on the console).
bool eye_mix_available();

// Draws over (0, 0, width, height) the red/cyan anaglyph of the two kept
// pictures (least-squares matrices, in linear light). Leaves the GL state
// as it found it, but for the colour written.
void draw_red_cyan_mix(int width, int height);

// Draws the kept left picture over the even rows of (0, 0, width, height),
// counted from the top row, 0 first. Leaves the GL state as it found it.
void draw_left_eye_rows(int width, int height);

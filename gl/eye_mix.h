// Mixing two eyes' pictures drawn one after the other in the same place into
// one: the red/cyan anaglyph and row interlacing.
#pragma once

#include <cstddef>

// Dubois's least-squares red/cyan anaglyph of `pixels` RGBA pixels: each
// output channel (red, green, blue; alpha opaque) a sum of the left and the
// right eye's channels, clamped to 0..255. No GL; `out` may be neither input.
void mix_red_cyan(const unsigned char* left, const unsigned char* right, unsigned char* out, size_t pixels);

// --- The GL half (gl/eye_mix_gl.cpp) ---

// Copies the drawable's region (0, 0, width, height), the left eye, into a
// texture (inside the GL: the drawing goes on meanwhile).
void keep_left_eye_picture(int width, int height);

// Once the right eye is drawn: reads it and the kept left eye back for
// red/cyan mixing.
void read_eye_pictures(int width, int height);

// Draws over (0, 0, width, height) the red/cyan anaglyph of the two pictures
// read back. Leaves the GL state as it found it, but for the colour written.
void draw_red_cyan_mix(int width, int height);

// Before the left eye is drawn over the right one: sets the even rows of
// (0, 0, width, height), counted from the top row, 0 first, to the clear
// colour and the far depth, and the odd rows' depth to the nearest, so that
// whatever is drawn next with the depth test lands on the even rows only.
// Leaves the GL state as it found it.
void mask_rows_for_left_eye(int width, int height);

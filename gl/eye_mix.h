// Mixing two eyes' pictures drawn one after the other in the same place into
// one: the red/cyan anaglyph and row interlacing.
#pragma once

#include <cstddef>

// Dubois's least-squares red/cyan anaglyph of `pixels` RGBA pixels: each
// output channel (red, green, blue; alpha opaque) a sum of the left and the
// right eye's channels, clamped to 0..255. No GL; `out` may be neither input.
void mix_red_cyan(const unsigned char* left, const unsigned char* right, unsigned char* out, size_t pixels);

// Row interlacing of two width x height RGBA pictures stored bottom row
// first, as GL reads them: the left eye's rows are the even ones counted from
// the top (row 0 first), the right eye's the odd ones. No GL; `out` may be
// neither input.
void interlace_eye_rows(const unsigned char* left, const unsigned char* right, unsigned char* out, int width,
                        int height);

// --- The GL half (gl/eye_mix_gl.cpp) ---

// Sends what is drawn next (the left eye) into a width x height texture with
// a depth buffer of its own instead of the drawable, until
// finish_left_eye_offscreen; false (nothing changed) when the GL cannot.
bool draw_left_eye_offscreen(int width, int height);
void finish_left_eye_offscreen();

// Where the left eye could not be drawn offscreen: copies the drawable's
// region (0, 0, width, height), the left eye, into that texture.
void keep_left_eye_picture(int width, int height);

// Once the right eye is drawn: reads it and the kept left eye back for
// red/cyan mixing.
void read_eye_pictures(int width, int height);

// Draws over (0, 0, width, height) the red/cyan anaglyph of the two pictures
// read back, or their rows interlaced. Leaves the GL state as it found it,
// but for the colour written.
void draw_eye_mix(int width, int height, bool rows);

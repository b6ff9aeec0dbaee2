// Reading drawn frames back: an offscreen GL target of any size the GL can
// render, read through a ring of pixel buffers so that a frame is collected
// while the next is drawn, and the picture the window shows on the screen.
#pragma once

#include <cstddef>

// Whether the current context has framebuffer objects (GL 3.0, or 2.1 with
// the extension).
bool gl_has_framebuffers();

// Creates a width x height colour and depth target, binds it so that every
// later drawing goes there, and sets up the read-back. Returns false with a
// message when the GL cannot render that size offscreen.
bool open_capture_target(int width, int height, char* error, size_t error_size);

// Starts reading the frame just drawn into the target.
void queue_frame_read();

// Reads started and not yet collected.
int frame_reads_pending();

// The oldest started read as RGBA rows from the bottom up (GL's order),
// width x height x 4 bytes, waiting for it if need be; null if none is
// pending. Valid until release_frame_read, which must follow (also when
// this gave null or was not called: the read is then dropped).
const unsigned char* map_oldest_frame_read();
void release_frame_read();

// Deletes the target and its buffers and draws to the window again.
void close_capture_target();

// Reads the picture the current window shows on the screen, as RGB rows
// from the top, into a new malloc'ed buffer of width x height x 3 bytes (the
// caller frees it). Returns false with a message when the window is not
// shown, lies partly off the screen, or its pixel format is not true colour.
bool read_shown_picture(unsigned char** rgb, int* width, int* height, char* error, size_t error_size);

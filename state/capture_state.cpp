// Definitions of the frame read-back state; reset_capture_state gives every
// start value.
#include "state/capture_state.h"

#include <cstdlib>

CaptureEntryPoints capture_gl;
GLuint capture_framebuffer;
GLuint capture_renderbuffers[2];
GLuint capture_read_buffers[CAPTURE_READ_RING];
unsigned char* capture_read_copies[CAPTURE_READ_RING];
int capture_width, capture_height;
int capture_reads_started, capture_reads_collected;
bool capture_read_mapped;
bool capture_x_error_seen;

void reset_capture_state() {
    capture_gl = CaptureEntryPoints{};
    capture_framebuffer = 0;
    capture_renderbuffers[0] = capture_renderbuffers[1] = 0;
    for (int i = 0; i < CAPTURE_READ_RING; ++i) {
        capture_read_buffers[i] = 0;
        free(capture_read_copies[i]);
        capture_read_copies[i] = nullptr;
    }
    capture_width = capture_height = 0;
    capture_reads_started = capture_reads_collected = 0;
    capture_read_mapped = false;
    capture_x_error_seen = false;
}

// The start values hold from before main.
[[maybe_unused]] static const bool capture_state_started = (reset_capture_state(), true);

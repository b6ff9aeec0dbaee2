// Reading frames back: the offscreen target, its read ring and the GL entry
// points they need.
//
// Owns: capture_gl (the framebuffer and buffer-object entry points),
// capture_framebuffer, capture_renderbuffers, capture_read_buffers,
// capture_read_copies, capture_width, capture_height, the read counters,
// capture_read_mapped, capture_x_error_seen.
// Lifetime: the session: the entry points are looked up when a target first
// opens; the target lives from open_capture_target to close_capture_target
// (one per flight rendered); terrain loads leave it alone.
// Writers: gl/frame_capture_gl.cpp alone.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

constexpr int CAPTURE_READ_RING = 2;  // reads in flight: one collected while the next is drawn

// Framebuffer and buffer object entry points, looked up at run time because
// the program is otherwise written against GL 1.1. Null until looked up.
struct CaptureEntryPoints {
    PFNGLGENFRAMEBUFFERSPROC gen_framebuffers;
    PFNGLBINDFRAMEBUFFERPROC bind_framebuffer;
    PFNGLDELETEFRAMEBUFFERSPROC delete_framebuffers;
    PFNGLGENRENDERBUFFERSPROC gen_renderbuffers;
    PFNGLBINDRENDERBUFFERPROC bind_renderbuffer;
    PFNGLDELETERENDERBUFFERSPROC delete_renderbuffers;
    PFNGLRENDERBUFFERSTORAGEPROC renderbuffer_storage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebuffer_renderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC check_framebuffer_status;
    PFNGLGENBUFFERSPROC gen_buffers;
    PFNGLBINDBUFFERPROC bind_buffer;
    PFNGLBUFFERDATAPROC buffer_data;
    PFNGLMAPBUFFERPROC map_buffer;
    PFNGLUNMAPBUFFERPROC unmap_buffer;
    PFNGLDELETEBUFFERSPROC delete_buffers;
};

extern CaptureEntryPoints capture_gl;                            // all null until a target opens
extern GLuint capture_framebuffer;                               // the offscreen target; 0 while frames go to the window
extern GLuint capture_renderbuffers[2];                          // its colour and depth; 0 when none
extern GLuint capture_read_buffers[CAPTURE_READ_RING];           // pixel pack buffers; 0 when the GL has none
extern unsigned char* capture_read_copies[CAPTURE_READ_RING];    // plain memory that stands in for them then; malloc'ed
extern int capture_width, capture_height;                        // the target's size, pixels; 0 when none
extern int capture_reads_started, capture_reads_collected;       // reads since the target opened; started >= collected
extern bool capture_read_mapped;                                 // the oldest read's pixel buffer is mapped
extern bool capture_x_error_seen;                                // an X error came while the window's picture was read

// Puts every variable of the group back to its start value, forgetting the
// GL names and entry points without deleting anything (close_capture_target
// first where a target is open) and freeing the plain read copies.
void reset_capture_state();

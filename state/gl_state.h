// GL and X objects of the session that no other group owns: the second
// context that compiles lists, the frame count published on the window, the
// fences held on the terrain's flushed batches, and the two eyes' pictures
// read back for mixing.
//
// Owns: gl_list_worker, gl_list_worker_x_error, frame_report_switch,
// frame_report_atom, terrain_draw_fences, gl_eye_mix.
// Lifetime: the session: the worker context is made for the window's context
// and kept (made again only for another one); the report is looked up once;
// the fences are released once the GL is past later drawing (every load and
// every swap does so).
// Writers: gl/list_worker_gl.cpp (the worker), gl/frame_report_gl.cpp (the
// report), terrain/terrain_list_gl.cpp (the fences), gl/eye_mix_gl.cpp
// (the eyes' pictures, made at first use and kept).
#pragma once

#include <GL/gl.h>
#include <GL/glx.h>

#include <vector>

// The second context: it draws nothing and is bound to a 1 x 1 pbuffer only
// because GLX needs a surface to make a context current.
struct GlListWorker {
    Display* display = nullptr;
    GLXContext shares_with = nullptr;  // the context whose lists it sees
    GLXContext context = nullptr;
    GLXPbuffer surface = 0;
    bool unusable = false;  // making it failed for this display and context: not tried again
};

// A fence on one flushed batch of terrain faces.
struct TerrainDrawFence {
    GLsync sync;
    long draw;  // terrain_draws_done when it was made
};

// Two eyes' pictures read back to mix them into a red/cyan anaglyph or
// interlace their rows.
struct GlEyeMix {
    GLuint texture = 0;                      // the mix, drawn back; 0 until first used
    int width = 0, height = 0;               // the texture's size in pixels
    GLuint framebuffer = 0;                  // reads the texture for copying it into the drawing; 0 until made
    int copies = -1;                         // -1 not looked up yet, 0 the GL cannot copy so (a quad draws it), 1 it can
    void (*bind_framebuffer)(GLenum, GLuint) = nullptr;               // the entry points copying needs
    void (*attach_texture)(GLenum, GLenum, GLenum, GLuint, GLint) = nullptr;
    void (*blit_framebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum) = nullptr;
    void (*gen_renderbuffers)(GLsizei, GLuint*) = nullptr;
    void (*bind_renderbuffer)(GLenum, GLuint) = nullptr;
    void (*renderbuffer_storage)(GLenum, GLenum, GLsizei, GLsizei) = nullptr;
    void (*attach_renderbuffer)(GLenum, GLenum, GLenum, GLuint) = nullptr;
    GLenum (*check_framebuffer)(GLenum) = nullptr;
    GLuint depth = 0;                        // the left eye's depth while it draws into the texture; 0 until made
    int depth_width = 0, depth_height = 0;   // its size in pixels
    int offscreen = -1;                      // -1 not tried, 0 the GL cannot draw the left eye into the texture, 1 it can
    GLint drawing_to = 0, reading_from = 0;  // the framebuffers bound before the left eye went offscreen
    std::vector<unsigned char> pictures[2];  // left and right eye read back, RGBA, rows bottom up
    std::vector<unsigned char> mixed;        // the red/cyan mix of the two, as they are
};

extern GlEyeMix gl_eye_mix;               // the session's eye pictures
extern GlListWorker gl_list_worker;       // empty until the first level build makes it
extern bool gl_list_worker_x_error;       // an X error came while it was being made
extern int frame_report_switch;           // -1 not looked up yet, 0 off, 1 on
extern Atom frame_report_atom;            // the window property the count is published in; None until made
extern std::vector<TerrainDrawFence> terrain_draw_fences;  // held, oldest first

// Forgets the held fences without deleting them (release them first where a
// GL context holds them). The worker context and the report, made once for
// the display and its context, stay, as the overlay's GL names do.
void reset_gl_state();

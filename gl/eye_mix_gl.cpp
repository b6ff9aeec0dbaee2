// The GL half of mixing two eyes' pictures (red/cyan, rows): the left eye
// is drawn into a texture of its own and the right one into the drawing, so
// that the drawing never waits between them (copying the left eye out of the
// drawing made the GL finish it first: about a sixth of a mono frame); both
// are read back once, mixed on every core and put back through the same
// texture. On llvmpipe, putting it back as a framebuffer
// copy is a plain copy of memory (measured over a 960 x 540 frame: 0.2 ms,
// against 1.7 ms for a textured quad, 8 ms for a fragment program and 40 ms
// for blended quads doing the matrices term by term); a GL without
// framebuffer objects gets the quad.
#include "gl/eye_mix.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>

#include "gl/frame_capture.h"

#include "state/gl_state.h"

namespace {

// The texture sized to width x height (RGBA); its binding is left as it was.
void size_mix_texture(int width, int height) {
    if (gl_eye_mix.texture && gl_eye_mix.width == width && gl_eye_mix.height == height) return;
    if (!gl_eye_mix.texture) glGenTextures(1, &gl_eye_mix.texture);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
    gl_eye_mix.width = width;
    gl_eye_mix.height = height;
}

template <typename T>
bool look_up(T* function, const char* name) {
    *function = (T)glXGetProcAddressARB((const GLubyte*)name);
    return *function != nullptr;
}

// Whether the texture can be copied into the drawing; makes the framebuffer
// that reads it the first time.
bool can_copy_mix_texture() {
    if (gl_eye_mix.copies >= 0) return gl_eye_mix.copies == 1;
    void (*gen_framebuffers)(GLsizei, GLuint*) = nullptr;
    gl_eye_mix.copies = gl_has_framebuffers() && look_up(&gen_framebuffers, "glGenFramebuffers") &&
                        look_up(&gl_eye_mix.bind_framebuffer, "glBindFramebuffer") &&
                        look_up(&gl_eye_mix.attach_texture, "glFramebufferTexture2D") &&
                        look_up(&gl_eye_mix.blit_framebuffer, "glBlitFramebuffer");
    if (gl_eye_mix.copies) gen_framebuffers(1, &gl_eye_mix.framebuffer);
    return gl_eye_mix.copies == 1;
}

// The texture copied over (0, 0, width, height) of the framebuffer drawn
// into (the window's or the capture target); false when the GL cannot.
bool copy_mix_texture(int width, int height) {
    if (!can_copy_mix_texture()) return false;
    GLint reading = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &reading);
    gl_eye_mix.bind_framebuffer(GL_READ_FRAMEBUFFER, gl_eye_mix.framebuffer);
    gl_eye_mix.attach_texture(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl_eye_mix.texture, 0);
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    gl_eye_mix.blit_framebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    if (scissor) glEnable(GL_SCISSOR_TEST);
    gl_eye_mix.bind_framebuffer(GL_READ_FRAMEBUFFER, (GLuint)reading);
    return true;
}

// A depth buffer of width x height for the left eye drawn into the texture.
void size_left_eye_depth(int width, int height) {
    if (gl_eye_mix.depth && gl_eye_mix.depth_width == width && gl_eye_mix.depth_height == height) return;
    if (!gl_eye_mix.depth) gl_eye_mix.gen_renderbuffers(1, &gl_eye_mix.depth);
    gl_eye_mix.bind_renderbuffer(GL_RENDERBUFFER, gl_eye_mix.depth);
    gl_eye_mix.renderbuffer_storage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    gl_eye_mix.bind_renderbuffer(GL_RENDERBUFFER, 0);
    gl_eye_mix.depth_width = width;
    gl_eye_mix.depth_height = height;
}

// Unlit, untextured, unblended quads over (0, 0, width, height) in window
// pixels, with everything the scene set put back by end_quads.
void begin_quads(int width, int height) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDepthRange(0.0, 1.0);
    glViewport(0, 0, width, height);
    for (GLenum matrix : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
        glMatrixMode(matrix);
        glPushMatrix();
        glLoadIdentity();
    }
}

void end_quads() {
    for (GLenum matrix : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
        glMatrixMode(matrix);
        glPopMatrix();
    }
    glPopAttrib();
}

// The texture over (0, 0, width, height).
void draw_mix_texture(int width, int height) {
    begin_quads(width, height);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1);
    glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    end_quads();
}

}  // namespace

bool draw_left_eye_offscreen(int width, int height) {
    if (gl_eye_mix.offscreen == 0 || !can_copy_mix_texture()) return false;
    if (gl_eye_mix.offscreen < 0)
        gl_eye_mix.offscreen = look_up(&gl_eye_mix.gen_renderbuffers, "glGenRenderbuffers") &&
                               look_up(&gl_eye_mix.bind_renderbuffer, "glBindRenderbuffer") &&
                               look_up(&gl_eye_mix.renderbuffer_storage, "glRenderbufferStorage") &&
                               look_up(&gl_eye_mix.attach_renderbuffer, "glFramebufferRenderbuffer") &&
                               look_up(&gl_eye_mix.check_framebuffer, "glCheckFramebufferStatus");
    if (!gl_eye_mix.offscreen) return false;
    size_mix_texture(width, height);
    size_left_eye_depth(width, height);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &gl_eye_mix.drawing_to);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &gl_eye_mix.reading_from);
    gl_eye_mix.bind_framebuffer(GL_FRAMEBUFFER, gl_eye_mix.framebuffer);
    gl_eye_mix.attach_texture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl_eye_mix.texture, 0);
    gl_eye_mix.attach_renderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, gl_eye_mix.depth);
    if (gl_eye_mix.check_framebuffer(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        gl_eye_mix.offscreen = 0;  // not tried again: the left eye is copied out of the drawing instead
        finish_left_eye_offscreen();
        return false;
    }
    return true;
}

void finish_left_eye_offscreen() {
    gl_eye_mix.bind_framebuffer(GL_DRAW_FRAMEBUFFER, (GLuint)gl_eye_mix.drawing_to);
    gl_eye_mix.bind_framebuffer(GL_READ_FRAMEBUFFER, (GLuint)gl_eye_mix.reading_from);
}

void keep_left_eye_picture(int width, int height) {
    size_mix_texture(width, height);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

void read_eye_pictures(int width, int height) {
    for (std::vector<unsigned char>& picture : gl_eye_mix.pictures) picture.resize((size_t)width * height * 4);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, gl_eye_mix.pictures[1].data());
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, gl_eye_mix.pictures[0].data());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

void draw_eye_mix(int width, int height, bool rows) {
    size_t pixels = (size_t)width * height;
    if (gl_eye_mix.pictures[0].size() < 4 * pixels || gl_eye_mix.pictures[1].size() < 4 * pixels) return;
    gl_eye_mix.mixed.resize(4 * pixels);
    if (rows) interlace_eye_rows(gl_eye_mix.pictures[0].data(), gl_eye_mix.pictures[1].data(), gl_eye_mix.mixed.data(),
                                 width, height);
    else mix_red_cyan(gl_eye_mix.pictures[0].data(), gl_eye_mix.pictures[1].data(), gl_eye_mix.mixed.data(), pixels);
    size_mix_texture(width, height);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.texture);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, gl_eye_mix.mixed.data());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
    if (!copy_mix_texture(width, height)) draw_mix_texture(width, height);
}

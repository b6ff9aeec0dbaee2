// The GL half of mixing two eyes' pictures. Red/cyan: both eyes are read
// back, mixed on every core and drawn back as one texture, a fixed-function
// quad without blending: on llvmpipe it takes a fast path that a fragment
// program or blending does not (measured over a 960 x 540 frame: a program,
// 8 ms; thirteen blended quads, the matrices term by term, 40 ms; reading
// back, mixing and drawing back, a few; the left eye waits in a texture so
// that only one read-back stalls the drawing). Rows: the depth buffer masks
// the right eye's rows before the left eye is drawn over them, so neither eye
// is copied (llvmpipe still shades the masked rows: it shades 2 x 2 blocks).
#include "gl/eye_mix.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

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

// One quad over (0, 0, width, height) at window depth `depth` (0 or 1),
// through a stipple of the even rows (from the top) or the odd ones.
void draw_row_quad(int height, bool even, float depth) {
    // A stipple repeats every 32 window rows counted up from the bottom; the
    // top row (counted 0, even) is row height - 1 from the bottom.
    GLubyte stipple[32 * 4];
    for (int row = 0; row < 32; ++row)
        for (int b = 0; b < 4; ++b) stipple[row * 4 + b] = (row % 2 == (height - 1) % 2) == even ? 0xff : 0x00;
    glPolygonStipple(stipple);
    float z = 2.0f * depth - 1.0f;
    glBegin(GL_QUADS);
    glVertex3f(-1, -1, z);
    glVertex3f(1, -1, z);
    glVertex3f(1, 1, z);
    glVertex3f(-1, 1, z);
    glEnd();
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

void draw_red_cyan_mix(int width, int height) {
    size_t pixels = (size_t)width * height;
    if (gl_eye_mix.pictures[0].size() < 4 * pixels || gl_eye_mix.pictures[1].size() < 4 * pixels) return;
    gl_eye_mix.mixed.resize(4 * pixels);
    mix_red_cyan(gl_eye_mix.pictures[0].data(), gl_eye_mix.pictures[1].data(), gl_eye_mix.mixed.data(), pixels);
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
    draw_mix_texture(width, height);
}

void mask_rows_for_left_eye(int width, int height) {
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    begin_quads(width, height);
    glEnable(GL_POLYGON_STIPPLE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_TRUE);
    glColor4fv(clear);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    draw_row_quad(height, true, 1.0f);  // the left eye's rows: as cleared
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    draw_row_quad(height, false, 0.0f);  // the right eye's: nearer than anything drawn
    end_quads();
}

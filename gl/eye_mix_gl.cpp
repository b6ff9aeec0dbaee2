// The GL half of mixing two eyes' pictures. Red/cyan: both eyes are read
// back, mixed on every core and drawn back as one texture. Rows: the left
// eye is copied into a texture and drawn over the right one through a
// stipple of every other row. Only fixed-function quads without blending:
// on llvmpipe they take a fast path that a fragment program or blending
// does not (measured: a program over a whole 960 x 540 frame, 8 ms; thirteen
// blended quads, the matrices term by term, 40 ms; reading back, mixing and
// drawing back, a few).
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

// The texture over (0, 0, width, height), unlit and unblended, with
// everything the scene set put back afterwards.
void draw_mix_texture(int width, int height, bool even_rows_only) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(0, 0, width, height);
    if (even_rows_only) {
        // A stipple repeats every 32 window rows counted up from the bottom;
        // the top row (counted 0, even) is row height - 1 from the bottom.
        GLubyte stipple[32 * 4];
        for (int row = 0; row < 32; ++row)
            for (int b = 0; b < 4; ++b) stipple[row * 4 + b] = row % 2 == (height - 1) % 2 ? 0xff : 0x00;
        glPolygonStipple(stipple);
        glEnable(GL_POLYGON_STIPPLE);
    }
    for (GLenum matrix : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
        glMatrixMode(matrix);
        glPushMatrix();
        glLoadIdentity();
    }
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1);
    glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    for (GLenum matrix : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
        glMatrixMode(matrix);
        glPopMatrix();
    }
    glPopAttrib();
}

}  // namespace

void read_eye_picture(int eye, int width, int height) {
    std::vector<unsigned char>& picture = gl_eye_mix.pictures[eye ? 1 : 0];
    picture.resize((size_t)width * height * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
    glPopClientAttrib();
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
    draw_mix_texture(width, height, false);
}

void keep_left_eye_picture(int width, int height) {
    size_mix_texture(width, height);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, gl_eye_mix.texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

void draw_left_eye_rows(int width, int height) { draw_mix_texture(width, height, true); }

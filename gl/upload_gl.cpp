// Sending textures and the light to GL.
#include "gl/upload.h"

#include <GL/glu.h>

#include "state/app_state.h"

namespace {

GLenum pixel_format(int components) {
    switch (components) {
        case 4: return GL_RGBA;
        case 3: return GL_RGB;
        default: return GL_LUMINANCE;
    }
}

}  // namespace

void upload_texture(GLuint texture, const unsigned char* pixels, int width, int height, int components,
                    const TextureSampling& sampling) {
    GLenum format = pixel_format(components);
    GLint internal = format == GL_LUMINANCE ? 1 : components;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // raw rows carry no padding
    if (sampling.mipmaps) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, internal, width, height, format, GL_UNSIGNED_BYTE, pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, internal, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    }
    if (sampling.wrap) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, sampling.wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, sampling.wrap);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sampling.min_filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, sampling.mag_filter);
}

void send_light(int parts) {
    if (parts & LIGHT_POSITION) glLightfv(GL_LIGHT0, GL_POSITION, light0_position);
    if (parts & LIGHT_AMBIENT) glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient);
    if (parts & LIGHT_DIFFUSE) glLightfv(GL_LIGHT0, GL_DIFFUSE, light0_diffuse);
    if (parts & LIGHT_SPECULAR) glLightfv(GL_LIGHT0, GL_SPECULAR, light0_specular);
}

void relight_scene() {
    glPushMatrix();
    send_light(LIGHT_ALL);
    glEnable(GL_LIGHTING);
    glPopMatrix();
}

void rotate_drape_quarter_turn() {
    glPushMatrix();
    glMatrixMode(GL_TEXTURE);
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void clear_view_matrix() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Sending textures and the light to GL: one upload path for every texture
// (terrain, drapes, sky, overlay, billboards) and one for GL_LIGHT0.
#pragma once

#include <GL/gl.h>

// How a texture is sampled; wrap 0 leaves the wrap modes at GL's default.
struct TextureSampling {
    GLint min_filter;  // GL_LINEAR, GL_NEAREST, ...
    GLint mag_filter;  // GL_LINEAR or GL_NEAREST
    GLint wrap;        // GL_REPEAT, GL_CLAMP_TO_EDGE, or 0 to keep the default
    bool mipmaps;      // build every level (gluBuild2DMipmaps) instead of level 0 only
};

// Binds `texture` and uploads width x height pixels of `components` bytes each
// (1 luminance, 3 RGB, 4 RGBA; rows unpadded, first row is t = 0), then sets
// the wrap modes (if any) and the filters.
void upload_texture(GLuint texture, const unsigned char* pixels, int width, int height, int components,
                    const TextureSampling& sampling);

// Sends the chosen LIGHT_* parts (state/app_state.h) of light0_* to GL_LIGHT0, in the order position,
// ambient, diffuse, specular. The position is taken under the current
// modelview matrix.
void send_light(int parts);

// 'J' (and 'K' after its raise): every part of the light sent again under a
// pushed matrix, and lighting switched on.
void relight_scene();

// 'd': a quarter turn of the texture matrix about the texture origin; it adds
// up from press to press and applies to every textured drawing.
void rotate_drape_quarter_turn();

// Loads the identity on the modelview matrix (the view until the next frame
// applies the camera's).
void clear_view_matrix();

// The terrain texture's GL object: uploading terrain_image and releasing it.
#include <GL/gl.h>
#include <cstdlib>

#include "gl/upload.h"
#include "state/texture_state.h"
#include "terrain/texture.h"

void upload_terrain_texture(bool mipmaps) {
    glDeleteTextures(1, &terrain_texture);  // nothing happens for the 0 of a first upload
    glGenTextures(1, &terrain_texture);
    int components = terrain_image_components == 3 ? 3 : 1;
    upload_texture(terrain_texture, terrain_image, texture_width, texture_height, components,
                   TextureSampling{GL_LINEAR, GL_LINEAR, GL_REPEAT, mipmaps});
}

void release_terrain_texture() {
    glDeleteTextures(1, &terrain_texture);
    terrain_texture = 0;
    free(terrain_image);
    terrain_image = nullptr;
}

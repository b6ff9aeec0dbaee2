// The terrain texture: its GL texture object and the pixels last loaded.
//
// Owns: terrain_texture, terrain_image and the image size and components.
// Lifetime: set by the start-up texture; replaced by each drape or map that
// loads successfully (a refused one leaves everything as it was).
// Writers: the start-up dialogue and its defaults (app/startup.cpp,
// frame/scene_init.cpp: the start-up size and components), terrain/texture.cpp
// (the image of each load), terrain/texture_gl.cpp (the GL name; the release
// at exit).
#pragma once

#include <cstddef>

extern unsigned int terrain_texture;   // GL texture name of the terrain; 0 before the start-up load
extern unsigned char* terrain_image;   // pixels of the current texture; null before the first load
extern int texture_width;              // width of the current terrain image, pixels; > 0 after start-up
extern int texture_height;             // height of the current terrain image, pixels; > 0 after start-up
extern int texture_components;         // components of the start-up image: 3 colour, 1 greyscale
extern int terrain_image_components;   // bytes per pixel of terrain_image (3 colour, else read as luminance)

// Frees terrain_image and puts every variable of the group back to its start
// value, forgetting terrain_texture without deleting it (where a GL context
// holds it, release_terrain_texture first).
void reset_texture_state();

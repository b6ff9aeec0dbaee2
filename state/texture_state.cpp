// Definitions of the terrain texture state; reset_texture_state gives every
// start value.
#include "state/texture_state.h"

#include <cstdlib>

unsigned int terrain_texture;
unsigned char* terrain_image;
int texture_width;
int texture_height;
int texture_components;
int terrain_image_components;

void reset_texture_state() {
    terrain_texture = 0;
    free(terrain_image);
    terrain_image = nullptr;
    texture_width = texture_height = 0;
    texture_components = 0;
    terrain_image_components = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool texture_state_started = (reset_texture_state(), true);

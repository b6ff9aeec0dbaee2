// Definitions of the terrain texture state.
#include "state/texture_state.h"

unsigned int terrain_texture = 0;
unsigned char* terrain_image = nullptr;
int texture_width = 0;
int texture_height = 0;
int texture_components = 0;
int terrain_image_components = 0;

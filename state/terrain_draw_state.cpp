// Definitions of the terrain drawing state.
#include "state/terrain_draw_state.h"

unsigned int terrain_list = 0;
int terrain_primitive = PRIMITIVE_TRIANGLES;
int render_mode = RENDER_FILLED;
int textures_on = 1;
int average_normals = 1;
float exaggeration = 1.0f;
long terrain_faces_compiled = 0;

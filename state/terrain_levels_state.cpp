// Definitions of the level-of-detail state.
#include "state/terrain_levels_state.h"

float terrain_lod_error = LOD_DEFAULT_ERROR;
int terrain_lod_forced = 0;
float terrain_height_scale = 1.0f;
long terrain_mesh_generation = 0;
long terrain_heights_revision = 0;
int terrain_levels_pending = 0;
int terrain_levels_announced = 0;
long terrain_level_faces_drawn = 0;
std::mutex terrain_mesh_lock;

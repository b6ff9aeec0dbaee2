// Definitions of the level-of-detail state; reset_terrain_levels_state gives
// every start value.
#include "state/terrain_levels_state.h"

float terrain_lod_error;
int terrain_lod_forced;
float terrain_height_scale;
long terrain_mesh_generation;   // only grows, a reset too
long terrain_heights_revision;  // only grows
int terrain_levels_pending;
int terrain_levels_announced;
long terrain_level_faces_drawn;
long terrain_level_draws;
std::mutex terrain_mesh_lock;

void reset_terrain_levels_state() {
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
    terrain_lod_error = LOD_DEFAULT_ERROR;
    terrain_lod_forced = 0;
    terrain_height_scale = 1.0f;
    // The mesh a reset leaves is not the one any level work was for.
    ++terrain_mesh_generation;
    terrain_levels_pending = 0;
    terrain_levels_announced = 0;
    terrain_level_faces_drawn = 0;
    terrain_level_draws = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool terrain_levels_state_started = (reset_terrain_levels_state(), true);

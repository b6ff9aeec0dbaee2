// Definitions of the terrain mesh state; reset_terrain_state gives every start value.
#include "state/terrain_state.h"

#include <cstdlib>

TerrainVertex* terrain_vertices;
TerrainFace* terrain_faces;
int terrain_vertex_count;
int terrain_face_count;
float terrain_min_x, terrain_max_x;
float terrain_min_y, terrain_max_y;
float terrain_min_z, terrain_max_z;
long terrain_revision;  // only grows, a reset too

void reset_terrain_state() {
    free(terrain_vertices);
    free(terrain_faces);
    terrain_vertices = nullptr;
    terrain_faces = nullptr;
    terrain_vertex_count = terrain_face_count = 0;
    terrain_min_x = terrain_max_x = 0.0f;
    terrain_min_y = terrain_max_y = 0.0f;
    terrain_min_z = terrain_max_z = 0.0f;
    // The mesh is gone, which is a change: a cache of an earlier mesh must
    // never match the next one.
    ++terrain_revision;
}

// The start values hold from before main.
[[maybe_unused]] static const bool terrain_state_started = (reset_terrain_state(), true);

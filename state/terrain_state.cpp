// Definitions of the terrain mesh state.
#include "state/terrain_state.h"

TerrainVertex* terrain_vertices = nullptr;
TerrainFace* terrain_faces = nullptr;
int terrain_vertex_count = 0;
int terrain_face_count = 0;
float terrain_min_x = 0.0f, terrain_max_x = 0.0f;
float terrain_min_y = 0.0f, terrain_max_y = 0.0f;
float terrain_min_z = 0.0f, terrain_max_z = 0.0f;
long terrain_revision = 0;

// The loaded terrain mesh (TerrainMesh): vertex and face arrays, counts, extents.
//
// Owns: terrain_vertices, terrain_faces, their counts and the six extents.
// Lifetime: empty until the start-up load; replaced whole by each successful
// load (a refused file leaves the previous mesh in place).
// Writers: terrain/terrain_mesh.cpp installs each loaded mesh and scales
// every y (the exaggeration steps); mesh editing (terrain/mesh_edit.cpp)
// moves vertices; each of them bumps terrain_revision. release_terrain
// (terrain/terrain_list_gl.cpp) frees the mesh at exit.
#pragma once

#include "files/terrain_records.h"

extern TerrainVertex* terrain_vertices;  // terrain_vertex_count records; null before the first load
extern TerrainFace* terrain_faces;       // terrain_face_count records; null before the first load
extern int terrain_vertex_count;         // number of "v " lines of the loaded file; >= 0
extern int terrain_face_count;           // number of "f " lines of the loaded file; >= 0
extern float terrain_min_x, terrain_max_x;  // extent in x; always contains 0
extern float terrain_min_y, terrain_max_y;  // extent in y (height); always contains 0
extern float terrain_min_z, terrain_max_z;  // extent in z; always contains 0
extern long terrain_revision;            // grows with every change of the mesh or its vertex positions; caches compare it

// Frees the mesh arrays and puts counts and extents back to 0; terrain_revision
// grows instead, so no cache of an earlier mesh matches a later one.
void reset_terrain_state();

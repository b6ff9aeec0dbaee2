// Face normals, per-vertex face lists and averaged vertex normals (no GL).
#pragma once

#include "files/terrain_records.h"

// Scales v[0..2] in place to unit length; a zero vector stays zero.
void normalize3(float* v);

// Writes the unit normal of the triangle corners[0..8] (p0, p1, p2) to out[0..2]:
// (p0 - p1) x (p1 - p2), so corners counter-clockwise seen from above give an
// upward normal; a degenerate triangle gives (0, 0, 0).
void face_normal(const float* corners, float* out);

// Sets the unit normal of `face` from the positions of its three corner
// vertices in `vertices` (corner numbers are 1-based and in range).
void compute_face_normal(const TerrainVertex* vertices, TerrainFace* face);

// Enters face `face_index` in the face list of `vertex`. Returns false, leaving
// the vertex unchanged, when the vertex already holds MAX_VERTEX_FACES faces.
bool add_vertex_face(TerrainVertex* vertex, int face_index);

// Sets each vertex normal to the normalised sum of the normals of its listed
// faces (each face counts equally); a vertex no face uses gets (0, 0, 0).
void average_vertex_normals(TerrainVertex* vertices, int vertex_count,
                            const TerrainFace* faces, int face_count);

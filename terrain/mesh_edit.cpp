// Reshaping the terrain by hand: moving the picked face's vertices.
#include "terrain/mesh_edit.h"

#include "state/mesh_edit_state.h"
#include "state/terrain_state.h"

namespace {

bool move_face_along_normal(int face, float amount) {
    if (face < 0 || face >= terrain_face_count) return false;
    const TerrainFace& f = terrain_faces[face];
    TerrainVertex* v[3];
    for (int k = 0; k < 3; ++k) v[k] = &terrain_vertices[f.corners[k].vertex - 1];
    // Axis by axis over the three corners, so a vertex named twice moves twice.
    for (int k = 0; k < 3; ++k) v[k]->x += amount * f.nx;
    for (int k = 0; k < 3; ++k) v[k]->y += amount * f.ny;
    for (int k = 0; k < 3; ++k) v[k]->z += amount * f.nz;
    ++terrain_revision;
    return true;
}

}  // namespace

bool extrude_face(int face) { return move_face_along_normal(face, edit_amount); }

bool depress_face(int face) { return move_face_along_normal(face, -edit_amount); }

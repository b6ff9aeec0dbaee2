// Reshaping the terrain by hand: moving the picked vertex, edge or face.
#include "terrain/mesh_edit.h"

#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/world_state.h"

namespace {

void note_moved(MovedVertices* moved, int vertex) {
    if (moved && moved->count < MAX_MOVED_VERTICES) moved->vertex[moved->count++] = vertex;
}

bool move_face_along_normal(int face, float amount, MovedVertices* moved) {
    if (face < 0 || face >= terrain_face_count) return false;
    const TerrainFace& f = terrain_faces[face];
    TerrainVertex* v[3];
    for (int k = 0; k < 3; ++k) {
        v[k] = &terrain_vertices[f.corners[k].vertex - 1];
        note_moved(moved, f.corners[k].vertex - 1);
    }
    // Axis by axis over the three corners, so a vertex named twice moves twice.
    for (int k = 0; k < 3; ++k) v[k]->x += amount * f.nx;
    for (int k = 0; k < 3; ++k) v[k]->y += amount * f.ny;
    for (int k = 0; k < 3; ++k) v[k]->z += amount * f.nz;
    ++terrain_revision;
    return true;
}

TerrainVertex& corner_vertex(int corner) {
    return terrain_vertices[terrain_faces[picked_face].corners[corner].vertex - 1];
}

// The marker of `corner` takes its vertex's position on `axis` (0..2), or on
// every axis for -1.
void update_marker(int corner, int axis) {
    const TerrainVertex& v = corner_vertex(corner);
    const float p[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) {
        if (axis < 0 || axis == k) pick_marker[corner][k] = p[k];
    }
}

}  // namespace

bool extrude_face(int face, MovedVertices* moved) {
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
    return move_face_along_normal(face, edit_amount, moved);
}

bool depress_face(int face, MovedVertices* moved) {
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
    return move_face_along_normal(face, -edit_amount, moved);
}

bool edit_picked_mesh(MeshEditTarget target, int digit, MovedVertices* moved) {
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
    moved->count = 0;
    if (picked_face < 0 || picked_face >= terrain_face_count) return false;
    const bool axis_step = digit >= 1 && digit <= 6;
    const bool normal_step = digit == 8 || digit == 9;
    if (!axis_step && !normal_step) return false;

    // The corners this target moves, in order.
    int corners[3], count;
    if (target == MESH_EDIT_VERTEX) {
        corners[0] = picked_corner % 3;
        count = 1;
    } else if (target == MESH_EDIT_LINE) {
        corners[0] = picked_corner % 3;
        corners[1] = (picked_corner + 1) % 3;
        count = 2;
    } else {
        corners[0] = 0, corners[1] = 1, corners[2] = 2;
        count = 3;
    }

    if (normal_step) {
        float amount = digit == 8 ? edit_amount : -edit_amount;
        if (target == MESH_EDIT_FACE) {
            move_face_along_normal(picked_face, amount, moved);
        } else {
            for (int i = 0; i < count; ++i) {
                TerrainVertex& v = corner_vertex(corners[i]);
                v.x += amount * v.nx;
                v.y += amount * v.ny;
                v.z += amount * v.nz;
                note_moved(moved, terrain_faces[picked_face].corners[corners[i]].vertex - 1);
            }
        }
        for (int i = 0; i < count; ++i) update_marker(corners[i], -1);
    } else {
        int axis = (digit - 1) % 3;
        float amount = digit <= 3 ? edit_amount : -edit_amount;
        for (int i = 0; i < count; ++i) {
            TerrainVertex& v = corner_vertex(corners[i]);
            (axis == 0 ? v.x : axis == 1 ? v.y : v.z) += amount;
            note_moved(moved, terrain_faces[picked_face].corners[corners[i]].vertex - 1);
        }
        for (int i = 0; i < count; ++i) update_marker(corners[i], axis);
    }
    ++terrain_revision;
    return true;
}

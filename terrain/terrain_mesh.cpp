// Installing a parsed terrain as the global mesh, and changes to its heights.
#include "terrain/terrain_mesh.h"

#include <cstdlib>

#include "state/app_state.h"
#include "state/camera_state.h"
#include "state/frame_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/sky_state.h"
#include "state/terrain_levels_state.h"
#include "state/terrain_state.h"
#include "terrain/picking.h"

constexpr float EXAGGERATION_FACTOR = 1.25f;

void install_terrain_mesh(TerrainParse* parse) {
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
    ++terrain_mesh_generation;
    terrain_height_scale = 1.0f;
    free(terrain_vertices);
    free(terrain_faces);
    terrain_vertices = parse->vertices;
    terrain_faces = parse->faces;
    terrain_vertex_count = parse->vertex_count;
    terrain_face_count = parse->face_count;
    terrain_min_x = parse->min_x;
    terrain_max_x = parse->max_x;
    terrain_min_y = parse->min_y;
    terrain_max_y = parse->max_y;
    terrain_min_z = parse->min_z;
    terrain_max_z = parse->max_z;
    ++terrain_revision;
    *parse = TerrainParse{};
}

TerrainSettings apply_terrain_settings() {
    TerrainSettings s = derive_terrain_settings(terrain_min_x, terrain_max_x, terrain_min_y, terrain_max_y);
    move_speed = s.move_speed;
    height_step = s.height_step;
    edit_amount = 1.0f;
    marker_radius = s.marker_radius;
    fog_end = s.fog_end;
    light0_position[0] = 0.0f;
    light0_position[1] = s.light_y;
    light0_position[2] = 0.0f;
    // Face 0 of the new mesh is the picked face: its corners are marked, so
    // that the markers, the read-outs and seeking agree.
    picked_face = 0;
    for (double* marker : pick_marker) marker[0] = marker[1] = marker[2] = 0.0;
    mark_picked_corners(picked_face);
    return s;
}

void scale_terrain_heights(bool raise) {
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
    ++terrain_revision;
    ++terrain_heights_revision;
    if (raise) terrain_height_scale *= EXAGGERATION_FACTOR;
    else terrain_height_scale /= EXAGGERATION_FACTOR;
    for (int i = 0; i < terrain_vertex_count; ++i) {
        if (raise) terrain_vertices[i].y *= EXAGGERATION_FACTOR;
        else terrain_vertices[i].y /= EXAGGERATION_FACTOR;
    }
    mark_picked_corners(picked_face);  // the markers stay on the corners they mark
}

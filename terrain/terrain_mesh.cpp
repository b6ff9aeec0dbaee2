// Installing a parsed terrain as the global mesh, and changes to its heights.
#include "terrain/terrain_mesh.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "files/terrain_writer.h"

#include "state/app_state.h"
#include "state/camera_state.h"
#include "state/frame_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/world_state.h"
#include "terrain/picking.h"

constexpr float EXAGGERATION_FACTOR = 1.25f;

namespace {

// Truncates toward zero into an int, saturating instead of overflowing.
int truncate_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= (double)INT_MAX) return INT_MAX;
    if (value <= -(double)INT_MAX) return -INT_MAX;  // keeps abs() defined
    return (int)value;
}

int speed_from_range(int range) {
    int speed = truncate_to_int(range / 10.0);
    return speed < 10 ? 2 : speed;
}

// Whether one step keeps every height finite and recoverable: none beyond
// LARGEST_COORDINATE (drawn, and written by the dump in a line the loader
// reads whole) and none but zero below the smallest normal float (a smaller
// one loses digits at each step down, then becomes zero for good); the scale
// stays a normal float likewise. The caller holds the mesh lock.
bool heights_take_step(bool raise) {
    float scale = raise ? terrain_height_scale * EXAGGERATION_FACTOR : terrain_height_scale / EXAGGERATION_FACTOR;
    if (!(scale >= FLT_MIN && scale <= FLT_MAX)) return false;
    for (int i = 0; i < terrain_vertex_count; ++i) {
        float y = terrain_vertices[i].y;
        if (raise && !(std::fabs(y * EXAGGERATION_FACTOR) < LARGEST_COORDINATE)) return false;
        if (!raise && y != 0.0f && !(std::fabs(y / EXAGGERATION_FACTOR) >= FLT_MIN)) return false;
    }
    return true;
}

}  // namespace

TerrainSettings derive_terrain_settings(float min_x, float max_x, float min_y, float max_y) {
    TerrainSettings s;
    s.width_range = std::abs(truncate_to_int((double)(max_x - min_x)));
    s.move_speed = speed_from_range(s.width_range);
    s.height_range = std::abs(truncate_to_int((double)(max_y - min_y)));
    s.height_step = speed_from_range(s.height_range);
    s.marker_radius = max_x / 300.0f;
    s.fog_end = max_x * 5.0f / 6.0f;
    s.light_y = max_y + 50.0f;
    return s;
}

void install_terrain_mesh(TerrainParse* parse) {
    // The world of the previous terrain goes as a whole (its lists are the
    // GL side's to delete first: release_terrain_lists).
    reset_world_state();
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
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

bool scale_terrain_heights(bool raise) {
    std::unique_lock<std::mutex> hold(terrain_mesh_lock);
    if (!heights_take_step(raise)) {
        hold.unlock();
        if (raise) report_problem("Exaggeration not raised: one more step would lift heights beyond %.0e", LARGEST_COORDINATE);
        else report_problem("Exaggeration not lowered: one more step would flatten heights beyond recovery");
        return false;
    }
    ++terrain_revision;
    ++terrain_heights_revision;
    if (raise) terrain_height_scale *= EXAGGERATION_FACTOR;
    else terrain_height_scale /= EXAGGERATION_FACTOR;
    for (int i = 0; i < terrain_vertex_count; ++i) {
        if (raise) terrain_vertices[i].y *= EXAGGERATION_FACTOR;
        else terrain_vertices[i].y /= EXAGGERATION_FACTOR;
    }
    mark_picked_corners(picked_face);  // the markers stay on the corners they mark
    return true;
}

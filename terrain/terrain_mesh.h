// Installing a parsed terrain as the global mesh, and changes to its heights.
#pragma once

#include "files/terrain_file.h"

// Settings derived from a terrain's extents.
struct TerrainSettings {
    int width_range;      // |trunc(max_x - min_x)|
    int move_speed;       // trunc(width_range / 10.0), or 2 below 10
    int height_range;     // |trunc(max_y - min_y)|
    int height_step;      // trunc(height_range / 10.0), or 2 below 10
    float marker_radius;  // max_x / 300
    float fog_end;        // max_x * 5 / 6
    float light_y;        // max_y + 50
};

// Derives speeds, marker size, fog end and light height from extents.
TerrainSettings derive_terrain_settings(float min_x, float max_x, float min_y, float max_y);

// Resets the loaded world as a whole (reset_world_state: the old mesh, tiles
// and levels go; release_terrain_lists first where GL lists exist) and takes
// over the arrays, counts and extents of `parse` (which is left empty).
void install_terrain_mesh(TerrainParse* parse);

// Applies what a load derives from the installed mesh's extents: move_speed,
// height_step, edit_amount (1.0), marker_radius, fog_end and light0_position;
// picked_face goes back to 0 so that it names a face of the new mesh, and
// the markers go to its corners (to the origin for a mesh without faces).
TerrainSettings apply_terrain_settings();

// Multiplies (raise) or divides (lower) every vertex y by 1.25; normals,
// extents and speeds are left as they were. The markers follow the picked
// face's corners. Refuses a step that would lift a height beyond
// LARGEST_COORDINATE or bring one that is not zero (or the product of the
// steps) below the smallest normal float, so that every height stays
// finite, comes back when the steps are undone and fits the dump: then
// changes nothing, says so on the message line and returns false.
bool scale_terrain_heights(bool raise);

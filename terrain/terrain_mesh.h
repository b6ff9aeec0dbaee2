// Installing a parsed terrain as the global mesh, and changes to its heights.
#pragma once

#include "terrain/terrain_file.h"

// Frees the current global mesh and takes over the arrays, counts and
// extents of `parse` (which is left empty).
void install_terrain_mesh(TerrainParse* parse);

// Applies what a load derives from the installed mesh's extents: move_speed,
// height_step, edit_amount (1.0), marker_radius, fog_end and light0_position;
// picked_face goes back to 0 so that it names a face of the new mesh, and
// the markers go to its corners (to the origin for a mesh without faces).
TerrainSettings apply_terrain_settings();

// Multiplies (raise) or divides (lower) every vertex y by 1.25; normals,
// extents and speeds are left as they were. The markers follow the picked
// face's corners.
void scale_terrain_heights(bool raise);

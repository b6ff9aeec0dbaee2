// Mesh editing: the edit modes, the picked corner and the step distance.
//
// Owns: edit_amount, picked_corner, vertex_edit_mode, line_edit_mode, face_edit_mode.
// Lifetime: every terrain load sets edit_amount to 1.0; a DEM chosen from
// the menu clears the modes.
// Writers: each load's terrain settings (terrain/terrain_mesh.cpp) and the
// Terrain menu (app/menu_handlers.cpp): edit_amount; the trays' mode rules
// (overlay/tray_logic.cpp), which the DEM menu uses to clear them; the digit
// keys (input/key_edits.cpp: picked_corner).
#pragma once

extern float edit_amount;     // distance of one edit step, world units; 15.0 until the first load; unbounded
extern int picked_corner;     // corner (vertex mode) or first corner of the edge (line mode); 0..2
extern int vertex_edit_mode;  // 1: digits move the picked vertex
extern int line_edit_mode;    // 1: digits move the picked edge
extern int face_edit_mode;    // 1: digits move the picked face

// Puts every variable of the group back to its start value.
void reset_mesh_edit_state();

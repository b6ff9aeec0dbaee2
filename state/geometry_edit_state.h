// Geometry editing: selection, edit modes, replication and material.
//
// Owns: selected_item, geometry_transform_mode, replicate_mode,
// material_edit_mode, replicate_offset, replicate_quantity,
// material_diffuse, material_ambient, augment_kind, augment_billboard.
// Lifetime: for the life of the process.
// Writers: the digit keys and 'A' / 'B' (input/key_edits.cpp,
// input/keyboard.cpp: the selection, replicate offset and quantity, material),
// the trays' mode rules (overlay/tray_logic.cpp), a replication, which ends
// replicate mode (geometry/geometry_layer.cpp), the Augmentation menu
// (app/menu_handlers.cpp: augment_kind, augment_billboard).
#pragma once

extern int selected_item;            // index of the item the item commands act on; unbounded, checked on use
extern int geometry_transform_mode;  // 1: digits move, resize and select items
extern int replicate_mode;           // 1: digits set the replicate offset and quantity
extern int material_edit_mode;       // 1: digits 1-6 change material_diffuse
extern float replicate_offset[3];    // displacement between copies, world units
extern int replicate_quantity;       // copies one replicate makes
extern float material_diffuse[4];    // diffuse of spheres and cones; r, g, b, a; unclamped
extern float material_ambient[4];    // ambient of spheres and cones; r, g, b, a
extern int augment_kind;             // kind placed by the tray button: 0 sphere, 1 cone
extern int augment_billboard;        // picture given to new billboards: 0..2

// Puts every variable of the group back to its start value.
void reset_geometry_edit_state();

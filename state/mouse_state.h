// Mouse and picking: the picked face and its corner markers.
//
// Owns: picked_face, pick_marker, the last pick ray, mouse_modifiers, mouse_last_y.
// Lifetime: face 0 and markers at the origin until the first pick.
// Writers: picking (terrain/picking.cpp), mesh editing (terrain/mesh_edit.cpp:
// the markers), the face-step digit (input/key_edits.cpp), each load's
// terrain settings (terrain/terrain_mesh.cpp: face 0 and its markers), the
// mouse callbacks (input/mouse.cpp: the modifiers; input/mouse_gl.cpp: the
// ray), the look pad (overlay/tray_logic.cpp: mouse_last_y).
#pragma once

extern int picked_face;           // 0-based picked face; unbounded, checked on use
extern double pick_marker[3][3];  // corners 0, 1, 2 of the picked face, world units
extern double ray_near[3];        // start of the last pick ray: the pressed pixel on the near plane, world units
extern double ray_far[3];         // end of the last pick ray: the same pixel on the far plane, world units
extern int mouse_modifiers;       // GLUT modifier bits held at the last left press; 0 before any
extern int mouse_last_y;          // GLUT window y of the last motion event (top-down pixels); 0 before any

// Puts every variable of the group back to its start value: face 0, markers
// and ray at the origin.
void reset_mouse_state();

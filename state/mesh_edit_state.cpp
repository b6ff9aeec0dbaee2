// Definitions of the mesh editing state; reset_mesh_edit_state gives every
// start value.
#include "state/mesh_edit_state.h"

float edit_amount;
int picked_corner;
int vertex_edit_mode;
int line_edit_mode;
int face_edit_mode;

void reset_mesh_edit_state() {
    edit_amount = 15.0f;
    picked_corner = 0;
    vertex_edit_mode = line_edit_mode = face_edit_mode = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool mesh_edit_state_started = (reset_mesh_edit_state(), true);

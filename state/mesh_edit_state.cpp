// Definitions of the mesh editing state.
#include "state/mesh_edit_state.h"

float edit_amount = 15.0f;
int picked_corner = 0;
int vertex_edit_mode = 0;
int line_edit_mode = 0;
int face_edit_mode = 0;

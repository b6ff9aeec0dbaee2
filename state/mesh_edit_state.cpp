// Definitions of the mesh editing state.
#include "state/mesh_edit_state.h"

float edit_amount = 15.0f;

// Definitions of the geometry editing state; reset_geometry_edit_state gives
// every start value.
#include "state/geometry_edit_state.h"

#include <initializer_list>

int selected_item;
int geometry_transform_mode;
int replicate_mode;
int material_edit_mode;
float replicate_offset[3];
int replicate_quantity;
float material_diffuse[4];
float material_ambient[4];
int augment_kind;
int augment_billboard;

void reset_geometry_edit_state() {
    selected_item = 0;
    geometry_transform_mode = replicate_mode = material_edit_mode = 0;
    replicate_offset[0] = 5.0f;
    replicate_offset[1] = replicate_offset[2] = 0.0f;
    replicate_quantity = 1;
    for (float* colour : {material_diffuse, material_ambient}) {
        colour[0] = 1.0f;  // red
        colour[1] = colour[2] = 0.0f;
        colour[3] = 1.0f;
    }
    augment_kind = 0;
    augment_billboard = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool geometry_edit_state_started = (reset_geometry_edit_state(), true);

// Definitions of the geometry editing state.
#include "state/geometry_edit_state.h"

int selected_item = 0;
int geometry_transform_mode = 0;
int replicate_mode = 0;
int material_edit_mode = 0;
float replicate_offset[3] = {5.0f, 0.0f, 0.0f};
int replicate_quantity = 1;
float material_diffuse[4] = {1.0f, 0.0f, 0.0f, 1.0f};
float material_ambient[4] = {1.0f, 0.0f, 0.0f, 1.0f};
int augment_kind = 0;
int augment_billboard = 0;

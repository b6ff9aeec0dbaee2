// Definitions of the terrain drawing switches; reset_terrain_draw_state gives
// every start value.
#include "state/terrain_draw_state.h"

int terrain_primitive;
int render_mode;
int textures_on;
int average_normals;
float exaggeration;

void reset_terrain_draw_state() {
    terrain_primitive = PRIMITIVE_TRIANGLES;
    render_mode = RENDER_FILLED;
    textures_on = 1;
    average_normals = 1;
    exaggeration = 1.0f;
}

// The start values hold from before main.
[[maybe_unused]] static const bool terrain_draw_state_started = (reset_terrain_draw_state(), true);

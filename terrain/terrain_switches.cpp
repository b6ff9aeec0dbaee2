// The switches that change how the terrain looks: the state here, what GL is
// told in terrain_list_gl.cpp.
#include "terrain/terrain_list.h"

#include "state/terrain_draw_state.h"
#include "state/world_state.h"
#include "terrain/terrain_mesh.h"

constexpr float EXAGGERATION_STEP = 0.25f;  // of the read-out per step

void increase_exaggeration() {
    if (!scale_terrain_heights(true)) return;  // at the bound: the refusal is on the message line
    exaggeration += EXAGGERATION_STEP;
    recompile_terrain_tiles();
}

void decrease_exaggeration() {
    if (!scale_terrain_heights(false)) return;
    exaggeration -= EXAGGERATION_STEP;
    recompile_terrain_tiles();
}

void toggle_textures() {
    textures_on = !textures_on;
    send_texture_switch();
}

void toggle_average_normals() {
    average_normals = !average_normals;
    recompile_terrain_tiles();
}

void set_render_mode(int mode) {
    render_mode = mode;
    send_render_mode();
}

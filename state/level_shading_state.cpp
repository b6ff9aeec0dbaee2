// Definitions of the levels' per-pixel lighting state.
#include "state/level_shading_state.h"

LevelShadingProgram level_shading_programs[LEVEL_SHADING_VARIANTS];
bool level_shading_failed;
TerrainNormalMap level_normal_map;
unsigned level_normal_texture;
float level_normal_place[4];
bool level_shading_active;
int level_shading_switch = 1;

void reset_level_shading_state() {
    level_normal_map = TerrainNormalMap();
    level_normal_texture = 0;
    for (float& p : level_normal_place) p = 0.0f;
    level_shading_active = false;
}

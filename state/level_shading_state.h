// Lighting coarse levels of detail per pixel from the terrain's own normals:
// the program that does it and the normals laid out across the ground.
//
// Owns: level_shading_program (and its uniform places), level_shading_tried,
// level_normal_map, level_normal_texture, level_normal_place,
// level_shading_active, level_shading_switch.
// Lifetime: the program is made once a session (level_shading_tried keeps a
// failed attempt from being made again); the map and its texture describe one
// loaded terrain: laid out after each load, height step, normals switch and
// edit, and dropped with the terrain (reset_level_shading_state forgets them;
// terrain/level_shading_gl.cpp deletes the texture first).
// Writers: terrain/level_shading_gl.cpp alone; level_shading_switch also the
// benchmarks and tests that compare the two ways of lighting.
#pragma once

#include "files/normal_map.h"

struct LevelShadingProgram {
    unsigned program = 0;                     // GL program name; 0 while none
    int place = -1, textured = -1, fogged = -1, shiny = -1;  // uniform locations
    int drape = -1, normals = -1;
};

extern LevelShadingProgram level_shading_program;  // made at the first terrain that wants it
extern bool level_shading_tried;                   // making it was tried (it may have failed)
extern TerrainNormalMap level_normal_map;          // the loaded terrain's normals; empty when not laid out
extern unsigned level_normal_texture;              // its GL texture; 0 when none
extern float level_normal_place[4];                // world x, z to its texture coordinates (normal_map_texture_place)
extern bool level_shading_active;                  // the program is bound for the levels being drawn
extern int level_shading_switch;                   // 1: coarse levels lit per pixel (default); 0: by their corners

// Forgets the map, its texture name (delete it first where a context holds
// it) and whether the program is bound; the program and the switch stay.
void reset_level_shading_state();

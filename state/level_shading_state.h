// Lighting coarse levels of detail per pixel from the terrain's own normals:
// the program that does it and the normals laid out across the ground.
//
// Owns: level_shading_programs (and their uniform places), level_shading_failed,
// level_normal_map, level_normal_texture, level_normal_place,
// level_shading_active, level_shading_switch.
// Lifetime: each program variant is made once a session, when first wanted
// (level_shading_failed keeps a failed attempt from being made again); the map and its texture describe one
// loaded terrain: laid out after each load, height step, normals switch and
// edit, and dropped with the terrain (reset_level_shading_state forgets them;
// terrain/level_shading_gl.cpp deletes the texture first).
// Writers: terrain/level_shading_gl.cpp alone; level_shading_switch also the
// benchmarks and tests that compare the two ways of lighting.
#pragma once

#include "files/normal_map.h"

constexpr int LEVEL_SHADING_VARIANTS = 16;  // textured x fogged x shiny material x attenuated light

struct LevelShadingProgram {
    unsigned program = 0;  // GL program name; 0 while not made
    int place = -1;        // the uniform that places the normal map
};

extern LevelShadingProgram level_shading_programs[LEVEL_SHADING_VARIANTS];  // by variant bits
extern bool level_shading_failed;                  // the GL could not make one: levels are lit at their corners
extern TerrainNormalMap level_normal_map;          // the loaded terrain's normals' layout; texels only from the first edit on
extern unsigned level_normal_texture;              // its GL texture; 0 when none
extern float level_normal_place[4];                // world x, z to its texture coordinates (normal_map_texture_place)
extern bool level_shading_active;                  // the program is bound for the levels being drawn
extern int level_shading_switch;                   // 1: coarse levels lit per pixel (default); 0: by their corners

// Forgets the map, its texture name (delete it first where a context holds
// it) and whether a program is bound; the programs and the switch stay.
void reset_level_shading_state();

// Levels of detail of the terrain: the error bound the frame draws within,
// and what the mesh's writers tell the threads that build the levels.
//
// Owns: terrain_lod_error, terrain_lod_forced, terrain_height_scale,
// terrain_mesh_generation, terrain_heights_revision, terrain_mesh_lock, terrain_levels_pending,
// terrain_levels_announced and the counters tests read.
// Lifetime: the bound and the forced flag are set once from the command
// line; terrain_height_scale starts again at each load; the generation and
// the heights revision only grow.
// Writers: app/main.cpp and video/ (the bound), terrain/terrain_mesh.cpp
// (scale, generation, heights revision; under the lock),
// terrain/level_lists_gl.cpp (pending, announced), terrain/terrain_list_gl.cpp
// (terrain_level_faces_drawn, terrain_level_draws), the loader (announced).
#pragma once

#include <mutex>

// Terrains with more faces than this use levels by default; smaller ones are
// drawn exactly unless --lod-error is given.
constexpr int LOD_DEFAULT_MIN_FACES = 500000;
constexpr float LOD_DEFAULT_ERROR = 1.0f;  // pixels

extern float terrain_lod_error;        // screen-space error bound, pixels; 0 draws every face exactly; >= 0
extern int terrain_lod_forced;         // 1: --lod-error was given, so levels are used at any size
extern float terrain_height_scale;     // product of the exaggeration factors applied since the load; > 0
extern long terrain_mesh_generation;   // grows with each installed mesh, so work on an older one is dropped
extern long terrain_heights_revision;  // grows with each exaggeration step, so lists of older heights are dropped
extern int terrain_levels_pending;     // tiles whose levels are being built or compiled; >= 0
extern int terrain_levels_announced;   // 1: "Building detail levels..." awaits its "Done!"
extern long terrain_level_faces_drawn; // faces called by the last draw of the visible tiles, levels included
extern long terrain_level_draws;       // draws of the visible tiles that called a level's list; only grows but at a reset

// Puts every value but the generation and the revision (which grow) back
// to its start; the level threads must be stopped (stop_terrain_levels).
void reset_terrain_levels_state();

// Held by every writer of the mesh arrays (and of the scale and generation)
// while the level threads may read them; the level threads hold it only
// while they copy one tile out.
extern std::mutex terrain_mesh_lock;

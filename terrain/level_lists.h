// The levels of detail of the tiles and of groups of neighbouring tiles as
// display lists: built in the background, installed and chosen once per
// frame, and what the frame calls for a tile.
#pragma once

#include <cstddef>
#include <vector>

#include "terrain/terrain_levels.h"

// Drops every level (and stops their threads); then, when the installed
// terrain wants levels, starts building every tile's levels in the
// background (terrain_levels_pending counts the tiles). Tiles draw their own
// faces until their levels are ready. Call after the tiles are cut. True
// when the levels came whole from their cache and are ready now.
bool start_terrain_levels();

// Stops the level threads and deletes every level: before the tiles or the
// mesh are replaced, and at exit.
void stop_terrain_levels();

// After the faces of `tile` moved: drops its levels and those of the groups
// holding it, so that it draws its own faces from the next frame, and
// rebuilds them in the background.
void rebuild_terrain_tile_levels(int tile);

// After every height was scaled or the normals switch changed: every tile
// draws its own faces until its levels are compiled again in the background
// (the levels themselves are kept: heights scale their errors).
void recompile_terrain_levels();

// Installs the levels finished since the last call, then chooses what this
// frame draws from the current projection, modelview and viewport: from the
// largest group down, a group or tile at its coarsest level whose error,
// projected at its nearest distance, stays within terrain_lod_error pixels;
// a tile where none does draws its own faces. Call once per frame before the
// terrain is drawn; the stereo pair's two eyes share the choice.
void choose_terrain_levels();

// Whether `tile` is drawn by a level (its own or its group's) in filled
// drawing of draw number `draw` (terrain_draws_done), instead of its pieces.
// Then *list is the list to call with its face count in *faces, or 0 when
// this draw has called it already (for another piece or tile of it).
bool terrain_tile_drawn_by_level(int tile, long draw, unsigned* list, long* faces);

// The level of the tile or group that the last choice draws `tile` with
// (0: its own faces).
int terrain_tile_level(int tile);

// Waits until every level being built is installed (the renderer, tests and
// benchmarks, which want the same pictures however fast the threads are),
// and every tile's own-face lists being compiled.
void wait_for_terrain_levels();

// Waits until every level built has its lists compiled for the current
// heights and normals (levels still being built are not waited for).
void wait_for_terrain_level_lists();

// --- Own-face lists on demand (terrain_exact_on_demand) ---
//
// A tile the choice draws with its own faces has them compiled in the
// background while its finest level stands in; a tile no longer drawn so
// keeps them while they fit terrain_exact_face_budget (least recently drawn
// dropped first). Tiles no level stands in for are compiled by the frame.

// After the tiles are cut: forgets which tiles hold their faces and whether
// they are kept on demand (`on_demand`) or always.
void reset_terrain_exact_lists(bool on_demand);

// On demand, counts every tile as holding its faces (all were compiled).
void mark_terrain_tiles_compiled();

// Call on the frame's thread just before compiling `tile`'s own-face lists
// there: a background compile of them queued earlier is dropped, and the
// tile counts as holding them, drawn now. Nothing when not on demand.
void claim_terrain_tile_lists(int tile);

// Before the frame compiles the held tiles again (heights or normals
// changed): every background compile queued earlier is dropped.
void restart_terrain_exact_lists();

// The frame draws `tile`'s own faces: compiles them now when it holds none.
void hold_terrain_tile_lists(int tile);

// Whether a level of `tile` itself is ready to stand in for its faces.
bool terrain_tile_has_level(int tile);

// How many tiles hold their own-face lists (every tile when not on demand).
int terrain_exact_tiles_held();

// --- The GL half (level_lists_gl.cpp); the scheduler above calls it ---

// A level as the GL draws it: its triangles' corners, then three corners
// per skirt edge, and how far the skirts hang at the heights copied.
struct LevelDrawing {
    std::vector<LevelCorner> corners;
    size_t triangle_corners = 0;
    float skirt_depth = 0.0f;  // world units, below the lifted border
    float lift = 0.0f;         // world units
};

// Compiles one list per level from copied corners into consecutive names
// (flat face normals when `normals` is 0); the first name, or 0 when no
// names are left. Call on a thread whose GL context shares the window's lists.
unsigned compile_level_lists(const std::vector<LevelDrawing>& drawings, int normals);

// Waits until the GL has compiled what this thread sent it (lists compiled
// on another context must be whole before the window's context calls them).
void finish_level_lists();

// Deletes `count` consecutive lists from `lists` (nothing for 0).
void delete_level_lists(unsigned lists, int count);

// The current projection and modelview matrices and the viewport's height, pixels.
void read_level_view(double projection[16], double modelview[16], int* viewport_height);

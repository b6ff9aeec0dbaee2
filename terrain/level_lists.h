// The tiles' levels of detail as display lists: built in the background,
// installed and chosen once per frame, and what the frame calls for a tile.
#pragma once

// Drops every level (and stops their threads); then, when the installed
// terrain wants levels, starts building every tile's levels in the
// background (terrain_levels_pending counts the tiles). Tiles draw their own
// faces until their levels are ready. Call after the tiles are cut.
void start_terrain_levels();

// Stops the level threads and deletes every level: before the tiles or the
// mesh are replaced, and at exit.
void stop_terrain_levels();

// After the faces of `tile` moved: drops its levels, so that it draws its own
// faces from the next frame, and rebuilds them in the background.
void rebuild_terrain_tile_levels(int tile);

// After every height was scaled or the normals switch changed: every tile
// draws its own faces until its levels are compiled again in the background
// (the levels themselves are kept: heights scale their errors).
void recompile_terrain_levels();

// Installs the levels finished since the last call, then chooses each
// tile's level for this frame from the current projection, modelview and
// viewport: the coarsest whose error, projected at the tile's nearest
// distance, stays within terrain_lod_error pixels. Call once per frame before
// the terrain is drawn; the stereo pair's two eyes share the choice.
void choose_terrain_levels();

// The list to call for `tile` instead of its pieces in filled drawing, with
// its face count in `faces`; 0 when the tile draws its own faces.
unsigned terrain_tile_level_list(int tile, long* faces);

// The level chosen for `tile` by the last choice (0: its own faces).
int terrain_tile_level(int tile);

// Waits until every level being built is installed (the renderer, tests and
// benchmarks, which want the same pictures however fast the threads are).
void wait_for_terrain_levels();

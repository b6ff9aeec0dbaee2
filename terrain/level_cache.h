// The levels of detail kept in a file beside their terrain, so that a later
// load of the same terrain has them at once: the file's name, reading it
// (checked, never trusted) and writing it. No GL: the level scheduler, the
// importer and the tests call these.
#pragma once

#include <cstddef>

constexpr const char* LEVEL_CACHE_EXTENSION = ".levels";  // takes the place of ".dem": no menu lists it

// Names the cache of the terrain file at `path` in `out`: its name with
// ".dem" replaced by ".levels". False ("" in out) for a terrain not named
// *.dem, one whose cache's name would still hold ".dem" (the DEM menu would
// list it), or a name that does not fit in `size` bytes.
bool make_level_cache_path(const char* path, char* out, size_t size);

// Whether the installed terrain keeps its levels in a cache: a .dem
// (level_cache_path set by the load) of more than level_cache_min_faces
// faces, drawn with levels, its mesh still as loaded.
bool terrain_level_cache_wanted();

// Reads level_cache_path into the bases and levels of level_nodes (as
// make_level_nodes left them for the installed tiles). True only when the
// file is whole and was written for exactly these terrain bytes
// (level_cache_terrain_size and _hash), this version of the levels, this
// tile size and these tiles and groups, every corner one of the mesh's;
// otherwise (missing, foreign, stale, cut short, corrupt) false, and
// level_nodes keep no levels.
bool read_level_cache();

// Writes the bases and levels of level_nodes to level_cache_path through the
// whole-file writer. False with "Cannot ..." in `error` when it cannot.
bool write_level_cache(char* error, size_t error_size);

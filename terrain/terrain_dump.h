// Writing the current terrain to dump.dem in the loader's own format (no GL).
#pragma once

#include <cstddef>

constexpr const char* DEM_DUMP_NAME = "dump.dem";  // in the working directory

// Writes the global mesh (current, edited and exaggerated positions; the
// normals as computed at load) to `path` as write_terrain_mesh does. Returns
// false with a message when it cannot be written; any earlier file stays as
// it was.
bool write_terrain_dump(const char* path, char* error, size_t error_size);

// The terrain tray's "Save DEM to dump.dem": says "Saving dump.dem..." on
// the message line and shows it before the work, writes the dump, then
// reports the size written on the console and the message line (or the
// failure, the earlier file kept). Returns whether the file was written.
bool save_terrain_dump();

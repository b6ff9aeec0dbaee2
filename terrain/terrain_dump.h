// Writing the current terrain to dump.dem in the loader's own format (no GL).
#pragma once

#include <cstddef>

constexpr const char* DEM_DUMP_NAME = "dump.dem";  // in the working directory

// Writes the global mesh (current, edited and exaggerated positions; the
// normals as computed at load) to `path` as write_terrain_mesh does. Returns
// false with a message when it cannot be written; any earlier file stays as
// it was.
bool write_terrain_dump(const char* path, char* error, size_t error_size);

// Writing the current terrain to dump.dem in the loader's own format (no GL).
#pragma once

#include <cstddef>

constexpr const char* DEM_DUMP_NAME = "dump.dem";  // in the working directory

// Writes the header "# Kestrolane DEM", one "v" line per vertex (current,
// edited and exaggerated positions), one "vt" and one "vn" (the normals as
// computed at load) per vertex, then one "f" line per face with its nine
// numbers as stored. The file goes to a temporary name beside `path` and is
// renamed over it only when complete. Returns false with a message when it
// cannot be written; any earlier file stays as it was.
bool write_terrain_dump(const char* path, char* error, size_t error_size);

// The geometry layer's .vec file: writing and reading a whole layer (no GL).
#pragma once

#include <cstddef>

constexpr int GEOMETRY_ERROR_SIZE = 256;  // bytes of an error message
constexpr int GEOMETRY_PATH_SIZE = 160;   // bytes of a .vec path

// Writes the layer: the count line, then one line per item
// "kind x y z rx ry rz size texture" ("%f" floats, line feeds only). The file
// is written beside `path` under a temporary name and renamed over it only
// when complete. Returns false with a message when it cannot be written or
// `path` exists and is not a regular file; the old file, if any, is then left
// as it was.
bool write_geometry_layer(const char* path, char* error, size_t error_size);

// Reads a whole .vec file and, only if every line scans, replaces the layer
// with it (kinds kept as stored; a billboard keeps its picture number, other
// kinds get 0). Refuses, leaving the layer untouched, a file that cannot be
// opened, a count that is not a number from 0 to 5000, an item line that does
// not hold the nine numbers, or a number that is not finite; the message
// names the file and the line. Returns the number of items, or -1.
int read_geometry_layer(const char* path, char* error, size_t error_size);

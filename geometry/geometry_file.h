// The geometry layer's .vec file: writing and reading a whole layer (no GL).
#pragma once

#include <cstddef>

#include "files/geometry_text.h"

constexpr int GEOMETRY_ERROR_SIZE = 256;  // bytes of an error message
constexpr int GEOMETRY_PATH_SIZE = 160;   // bytes of a .vec path

// Writes the layer (geometry_items, geometry_item_count) to `path`, as
// write_geometry_text does; an earlier file stays as it was on failure.
bool write_geometry_layer(const char* path, char* error, size_t error_size);

// Replaces the layer with a .vec file, as read_geometry_text reads it; a
// refused file leaves the layer untouched. Returns the number of items, or -1.
int read_geometry_layer(const char* path, char* error, size_t error_size);

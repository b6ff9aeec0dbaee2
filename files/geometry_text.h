// The geometry layer's .vec file (no GL): the item record, the layer's
// limits, and writing and reading a whole layer.
#pragma once

#include <cstddef>

#include "files/whole_file.h"

constexpr int MAX_GEOMETRY_ITEMS = 5000;  // items a layer and a file hold at most
constexpr int GEOMETRY_SPHERE = 0;
constexpr int GEOMETRY_CONE = 1;
constexpr int GEOMETRY_BILLBOARD = 4;

struct GeometryItem {
    int kind;          // 0 sphere, 1 cone, 4 billboard; others draw nothing
    float x, y, z;     // position, world units
    float rx, ry, rz;  // rotation about x, y, z, degrees
    int texture;       // billboard picture 0..2; 0 for other kinds
    float size;        // radius (sphere, cone base); billboard scale is size / 5
};

// Writes `count` items: the count line, then one line per item
// "kind x y z rx ry rz size texture" ("%f" floats, line feeds only). Returns
// false with a message when the file cannot be written or `path` exists and
// is not a regular file; the old file, if any, is then left as it was.
bool write_geometry_text(const char* path, const GeometryItem* items, int count, char* error, size_t error_size);

// The same text into a save begun with begin_whole_file (for a set of files
// that take their names together).
void print_geometry_text(WholeFile* out, const GeometryItem* items, int count);

// Reads a whole .vec file and, only if every line scans, puts its items into
// `items` (room for MAX_GEOMETRY_ITEMS; kinds kept as stored; a billboard
// keeps its picture number, other kinds get 0). Refuses, leaving `items`
// untouched, a file that cannot be opened ("Did not Find Vector File
// <path>"), a count that is not a number from 0 to 5000, an item line that
// does not hold the nine numbers, or a number that is not finite; the message
// names the file and the line. Returns the number of items, or -1.
int read_geometry_text(const char* path, GeometryItem* items, char* error, size_t error_size);

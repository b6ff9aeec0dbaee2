// Writing terrain model files in the loader's format (no GL): a whole mesh
// (the dump) and height grids (the default world, the importer).
#pragma once

#include <cstddef>

#include "files/terrain_records.h"
#include "files/whole_file.h"

// A line the writers produce, line feed included, fits one 99-byte read of
// the loader, so that it is never split.
constexpr int TERRAIN_LONGEST_LINE = 99;
// Grid coordinates and heights stay below this: beyond it a number no longer
// fits a line the loader reads whole.
constexpr double LARGEST_COORDINATE = 1e12;

// Writes `value` as printf's "%.*f" with `decimals` (0..6) digits does, sign
// of a zero included, for any finite value. Returns the end of what was
// written (no terminating NUL); at most 330 bytes.
char* format_fixed(char* out, double value, int decimals);

// Writes n in decimal; returns the end (no terminating NUL).
char* format_count(char* out, unsigned long n);

// Writes a mesh as the dump does: the header "# Kestrolane DEM", one
// "v %f %f %f" line per vertex (positions as they are now), one "vt %f %f"
// and one "vn %f %f %f" per vertex, then one "f %d/%d/%d %d/%d/%d %d/%d/%d"
// line per face with its nine numbers as stored; "\n" line ends. Returns
// false with a message naming `what` and leaving the target as it was when
// the file cannot be written, or when a number is not finite or too long for
// a line the loader reads whole (the file would not load back). *size gets
// the bytes written.
bool write_terrain_mesh(const char* path, const TerrainVertex* vertices, int vertex_count, const TerrainFace* faces,
                        int face_count, long long* size, char* error, size_t error_size);

// A grid of heights to write as a terrain: vertices west to east in rows
// from north to south, x from x_min to x_max and z from z_min (north) to
// z_max, y the height.
struct TerrainGrid {
    int columns, rows;                                    // vertices; 2 or more each
    double x_min, x_max, z_min, z_max;                    // the ground it spans, world units
    void (*read_row)(int row, double* heights, void* context);  // fills `columns` heights of a row
    void* context;                                        // passed to read_row
};

// Writes the grid into a save begun with begin_whole_file: vertex lines with
// three decimals, texture coordinates with six from (0, 1) at the north-west
// corner to (1, 0) at the south-east one, and every cell as two
// counter-clockwise faces (seen from above) that make the whole cell in quad
// mode. A number that would print as "-0" prints as "0". Returns false when
// the grid is smaller than 2 x 2 or a coordinate or height is not below
// LARGEST_COORDINATE (nothing is written then); write failures show when the
// file is finished. `progress` (if given) hears the fraction done.
bool write_grid_terrain(WholeFile* out, const TerrainGrid& grid, void (*progress)(double fraction, void* context),
                        void* progress_context);

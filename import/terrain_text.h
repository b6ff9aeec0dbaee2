// Writing a height grid as a terrain model file, fast enough for millions of faces.
#pragma once

#include <cstdio>

#include "import/area_resample.h"

constexpr double LARGEST_COORDINATE = 1e12;  // beyond this a number no longer fits a line the loader reads whole

// Writes value with `decimals` (0..6) digits after the point, rounded half
// away from zero, never "-0". |value| must be below LARGEST_COORDINATE.
// Returns the end of what was written (no terminating NUL).
char* format_fixed(char* out, double value, int decimals);

// Writes n in decimal; returns the end (no terminating NUL).
char* format_count(char* out, unsigned long n);

// Writes a columns x rows grid of heights (row 0 the north edge) as a
// terrain: vertices west to east in rows from north to south, x east and z
// south spanning width x depth metres centred on the origin, y the height;
// texture coordinates from (0, 1) at the north-west corner to (1, 0) at the
// south-east one; every cell as two counter-clockwise faces whose pair makes
// the whole cell in quad mode. False when a write fails or a number is too large.
bool write_grid_terrain(std::FILE* file, const float* heights, int columns, int rows, double width, double depth,
                        ProgressFn progress, void* context);

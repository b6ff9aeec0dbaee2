// The generated rolling-hills grids the benchmarks load.
#pragma once

#include <string>

constexpr float BENCH_GRID_SPACING = 12.5f;  // distance between grid vertices, world units

// Path of a grid of cells x cells squares (2 x cells^2 faces), written on
// first use and reused by later runs. Rows run along x from z = 0 towards -z,
// centred on x = 0, so the origin sits at the middle of the south edge.
const std::string& ensure_bench_file(int cells);

// The same grid with its face pairs in a scrambled order (pair i of the
// file is pair (i x a large prime) mod pairs of the row order): the ground
// of any square comes in runs of one pair.
const std::string& ensure_shuffled_bench_file(int cells);

// Scratch files and captured console output for tests.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Temporary folders live in one folder per test run under /tmp, removed when the run exits normally.

// Writes `content` to a new file in a fresh temporary directory and returns its path.
std::string write_temp_file(const std::string& name, const std::string& content);

// A fresh empty temporary directory.
std::string make_temp_dir();

// The names in a folder other than "." and "..", sorted; empty if it cannot be read.
std::vector<std::string> files_in(const std::string& dir);

// Reads a whole file; empty if it cannot be read.
std::string read_file(const std::string& path);

// A regular grid terrain of cols x rows vertices, spacing 1, counter-clockwise
// faces seen from above, heights from height(x, z).
std::string grid_terrain_text(int cols, int rows, float (*height)(int, int), const char* eol = "\n");

// The terrain text `grid` (vertex lines, then faces in pairs, as
// grid_terrain_text writes them) with pair i taking the place of pair
// (i x step) mod pairs: step coprime with the pair count scrambles their order.
std::string scramble_face_pairs(const std::string& grid, size_t step);

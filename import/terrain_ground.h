// The ground of an imported terrain, read through the viewer's own loader, and its height anywhere on it.
#pragma once

#include <string>
#include <vector>

#include "import/terrain_location.h"

struct TerrainGround {
    int columns, rows;           // grid vertices, west to east and north to south
    double width, depth;         // terrain units, centred on the origin
    std::vector<float> heights;  // y of each vertex, rows from the north
};

// Reads the terrain file at `path` with the viewer's loader and checks that it
// is the grid `location` describes. False with a message when it cannot be
// read or its vertices are not that grid (the file was replaced or edited).
bool read_terrain_ground(const std::string& path, const TerrainLocation& location, TerrainGround* ground,
                         std::string* error);

// The height of the ground at (x, z) as the viewer draws it: on the grid
// cell's two triangles (split from north-west to south-east); points beyond
// the edge take the edge's height.
double measure_ground(const TerrainGround& ground, double x, double z);

// Terrain units between grid vertices along the wider spacing.
double ground_cell_size(const TerrainGround& ground);

// Terrain extents and height functions for the default world and the sample terrains.
#pragma once

#include <cstddef>
#include <vector>

// A regular grid of vertices over a rectangle of the ground (x east, z south).
struct terrain_extent {
    double x_min;
    double x_max;
    double z_min;
    double z_max;
    int columns;
    int rows;
};

// The default world's ground at one point: the visible surface, how deep the
// lake is there, and the distance to the nearest river's water edge
// (negative inside the water).
struct ground_sample {
    double height;
    double water_depth;
    double river_edge;
};

struct river_point {
    double u;
    double v;
    double floor;             // height of the valley floor
    double floor_half_width;  // nearly flat part either side of the stream
    double floor_tilt;        // rise per unit of that floor away from the stream
    double side_slope;        // rise per unit of the valley sides
    double water_half_width;  // negative where the stream is too small to draw
};

// A run of consecutive river points with the box around them, so most
// samples can skip a whole run after one comparison.
struct river_stretch {
    size_t first;
    size_t last;
    double min_u;
    double max_u;
    double min_v;
    double max_v;
    double lowest_floor;
    double widest_floor;
    double gentlest_side;
};

struct river_path {
    std::vector<river_point> points;
    std::vector<river_stretch> stretches;
};

struct river_network {
    std::vector<river_path> rivers;
};

// The start point (origin) sits near the middle of each south edge, so the
// first view looks north across the land.
const terrain_extent default_extent = {-1500.0, 1500.0, -2850.0, 150.0, 257, 257};
const terrain_extent canyon_extent = {-750.0, 750.0, -1350.0, 150.0, 129, 129};
const terrain_extent volcano_extent = {-1250.0, 1250.0, -2350.0, 150.0, 201, 201};
const terrain_extent ranges_extent = {-2500.0, 2500.0, -4850.0, 150.0, 385, 385};

const double default_lake_level = -100.0;

river_network build_default_rivers();
ground_sample sample_default_ground(const river_network& rivers, double x, double z);

double compute_canyon_height(double x, double z);
double compute_volcano_height(double x, double z);
double compute_ranges_height(double x, double z);

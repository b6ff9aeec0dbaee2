// Paints the default world's texture, relief drape, topographic map and slope map from sampled ground.
#pragma once

#include <cstdint>
#include <vector>

#include "datagen/terrains.h"

// Ground sampled at the centres of an image's pixels (row 0 = north edge,
// column 0 = west edge), plus a one-pixel border so slopes can be measured
// at the image edges as well.
struct ground_raster {
    int width;
    int height;
    double x_min;
    double z_min;
    double pixel_x;
    double pixel_z;
    std::vector<ground_sample> samples;
};

ground_raster sample_ground_raster(const river_network& rivers, const terrain_extent& extent, int width,
                                   int height);

std::vector<uint8_t> paint_default_texture(const ground_raster& ground);
std::vector<uint8_t> paint_relief_drape(const ground_raster& ground);
std::vector<uint8_t> paint_topo_map(const ground_raster& ground);
std::vector<uint8_t> paint_slope_map(const ground_raster& ground);

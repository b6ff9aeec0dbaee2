// Painting a drape from heights: hypsometric tints under hill shading.
#pragma once

#include <cstdint>
#include <vector>

#include "import/area_resample.h"

#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr int LARGEST_TEXTURE_SIDE = 4096;   // the viewer uploads one level, unscaled: keep it widely supported
constexpr int SMALLEST_DRAPE_SIDE = 512;     // below this the shading of a small raster turns blocky
constexpr int SMALLEST_MAP_SIDE = 256;       // below this a map's lettering turns unreadable
#else
// The fuzz build paints small textures: each pixel takes the same path, and a run stays in milliseconds.
constexpr int LARGEST_TEXTURE_SIDE = 32;  // under the largest raster the target builds: it averages too
constexpr int SMALLEST_DRAPE_SIDE = 16;
constexpr int SMALLEST_MAP_SIDE = 16;
#endif

// The side of a texture for `cells` raster cells: the next power of two,
// kept within smallest..LARGEST_TEXTURE_SIDE.
int choose_texture_side(int cells, int smallest);

// The tint for a height at `level` (0 lowest .. 1 highest), as RGB.
void tint_height(double level, uint8_t rgb[3]);

// Paints width x height RGB pixels (rows from the north edge) from heights
// at the same pixels. Tints run from `lowest` to `highest`; the shading uses
// a light from the north-west, 45 degrees up, on the heights times
// `exaggeration` over pixels of pixel_east x pixel_south metres. Flat ground
// keeps nearly its full tint.
void paint_drape(const float* heights, int width, int height, double pixel_east, double pixel_south,
                 double exaggeration, double lowest, double highest, std::vector<uint8_t>* rgb, ProgressFn progress,
                 void* context);

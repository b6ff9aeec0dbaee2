// Reading a map (an orthophoto or a scanned map) through GDAL onto the terrain's extent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gdal.h>

#include "import/area_resample.h"
#include "import/elevation_raster.h"

// An open map raster and how its bands become a texture.
struct MapRaster {
    GDALDatasetH dataset;    // open for reading (a colour table expanded to RGB); null once closed
    GDALDatasetH original;   // the file itself when dataset is an expanding view of it, else null
    int width, height;       // its cells
    int components;          // 3 (RGB from bands 1..3) or 1 (grey from band 1)
    bool georeferenced;      // has a transform and a coordinate system
};

// Opens `path` as a map: one grey or paletted band, grey and alpha, RGB or
// RGBA. False with a one-line message otherwise; nothing left open then.
bool open_map_raster(const char* path, MapRaster* map, std::string* error);

// Closes the map; safe twice.
void close_map_raster(MapRaster* map);

// Reads the map onto width x height pixels covering the elevation raster's
// extent, north row first: warped into the raster's own grid when both are
// georeferenced, stretched over the whole terrain otherwise (*stretched says
// which). Pixels the map does not cover are black. Values wider than a byte
// are scaled from their smallest to their largest. False with a message on
// failure.
bool read_map_image(MapRaster* map, const ElevationRaster& elevation, int width, int height,
                    std::vector<uint8_t>* pixels, bool* stretched, std::string* error, ProgressFn progress,
                    void* context);

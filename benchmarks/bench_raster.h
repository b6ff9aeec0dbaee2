// Elevation rasters for the importer's benchmarks: GeoTIFFs of Float32 heights
// in UTM zone 32N, written once and reused by later runs.
#pragma once

// Writes `path` (unless it exists) as side x side cells of `cell` metres whose
// north-west corner is at (west, north), each cell's height height(x, y);
// the file appears only when complete. False if it cannot be written.
bool ensure_utm_raster(const char* path, int side, double west, double north, double cell,
                       double (*height)(int x, int y));

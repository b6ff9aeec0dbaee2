// Reading an elevation raster through GDAL: checks, and reading its heights averaged onto a grid.
#pragma once

#include <string>
#include <vector>

#include <gdal.h>

#include "import/area_resample.h"
#include "import/ground_scale.h"

// An open single-band elevation raster and what the import needs to know of it.
struct ElevationRaster {
    GDALDatasetH dataset;   // open for reading; null once closed
    GDALRasterBandH band;   // the one band
    RasterFrame frame;      // size and georeferencing
    bool has_no_data;       // GDAL names a no-data value
    double no_data;         // that value, as stored
    bool has_mask;          // a separate mask marks the cells without a height
    double scale, offset;   // height = stored value * scale + offset
    std::string unit;       // the heights' unit as the raster names it; "" when it does not
    bool flip_rows;         // row 0 is the south edge: read upside down so that north comes first
    bool flip_columns;      // column 0 is the east edge
};

// Opens `path` and checks that it is one band of heights at least 2 x 2
// cells. False with a one-line message (GDAL's reason included) otherwise;
// nothing is left open then.
bool open_elevation_raster(const char* path, ElevationRaster* raster, std::string* error);

// Closes the dataset; safe twice.
void close_elevation_raster(ElevationRaster* raster);

// True for a stored value that is no height: GDAL's no-data value, NaN,
// infinities and magnitudes no elevation reaches in any unit.
bool is_missing_height(const ElevationRaster& raster, float stored);

// Reads the whole band, north row first, averaged by area onto a grid of
// width x height cells (each at most the raster's size), heights scaled and
// offset, NaN where no cell below held a height. Counts the raster's cells
// without a height in *missing. False with a message on a read error.
bool read_elevation_grid(ElevationRaster* raster, int width, int height, std::vector<float>* grid,
                         long long* missing, std::string* error, ProgressFn progress, void* context);

// GDAL's last error as one line, or `fallback` when it said nothing.
std::string describe_gdal_error(const char* fallback);

// Adapter from a ProgressFn to GDAL's progress callback; context is a GdalProgress*.
struct GdalProgress {
    ProgressFn progress;
    void* context;
};
int report_gdal_progress(double fraction, const char* message, void* context);

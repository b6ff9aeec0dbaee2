// Reading an elevation raster through GDAL: checks, and reading its heights averaged onto a grid.
#pragma once

#include <string>
#include <vector>

#include <gdal.h>

#include "import/area_resample.h"
#include "import/ground_scale.h"

// An open single-band elevation raster and what the import needs to know of it.
struct ElevationRaster {
    std::string path;       // as given, for messages
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

// Opens `path` read-only as a raster of any of GDAL's formats, refusing at
// once a named pipe, a device or a socket (opening could wait on one for
// ever). Null with "cannot read <what>'<path>': <why>" otherwise, the why
// naming the system's reason (no such file, a folder, unreadable) or GDAL's;
// `what` is "" for the elevation raster, "map " for a map.
GDALDatasetH open_raster_file(const char* path, const char* what, std::string* error);

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
// without a height in *missing. False with a message on a read error, or
// naming the raster when its scale and offset make a height infinite or
// larger than any elevation.
bool read_elevation_grid(ElevationRaster* raster, int width, int height, std::vector<float>* grid,
                         long long* missing, std::string* error, ProgressFn progress, void* context);

// The cells GDAL decodes for sample_elevation_grid at width x height: every
// block that holds a sample, whole (of an overview, when one is fine enough).
long long estimate_sampled_cells(const ElevationRaster& raster, int width, int height);

// Reads width x height samples spread evenly over the raster (each the
// nearest cell, from an overview when one is fine enough), north row first,
// as read_elevation_grid gives them: for a raster too large to read whole.
// *missing estimates the raster's cells without a height from the samples.
// False with a message as read_elevation_grid.
bool sample_elevation_grid(ElevationRaster* raster, int width, int height, std::vector<float>* grid,
                           long long* missing, std::string* error, ProgressFn progress, void* context);

// GDAL's last error as one line, or `fallback` when it said nothing.
std::string describe_gdal_error(const char* fallback);

// Adapter from a ProgressFn to GDAL's progress callback; context is a GdalProgress*.
struct GdalProgress {
    ProgressFn progress;
    void* context;
};
int report_gdal_progress(double fraction, const char* message, void* context);

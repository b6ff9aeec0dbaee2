// Where an imported terrain lies: its grid, the raster's coordinate system, the affine from terrain x/z into
// it and the heights' offset and factor, kept beside the terrain so that tracks can be laid on it later.
#pragma once

#include <string>

#include "import/ground_scale.h"

// Beside DEM/NAME.dem; no asset menu lists it (the DEM menu takes names holding ".dem").
constexpr const char* LOCATION_SUFFIX = ".location";

struct TerrainLocation {
    int columns, rows;     // grid vertices, west to east and north to south
    double width, depth;   // terrain units along x (east) and z (south), centred on the origin
    std::string crs_wkt;   // the raster's coordinate system as one-line WKT; "" when it names none
    double affine[6];      // X = a0 + a1 x + a2 z, Y = a3 + a4 x + a5 z (X east or longitude, Y north or latitude)
    double height_offset;  // terrain y = (raster height - height_offset) * height_factor
    double height_factor;  // > 0
};

// DEM/NAME.location in `world`.
std::string terrain_location_path(const std::string& world, const std::string& name);

// The location of a terrain made from the whole of `frame` as the import lays
// it out: column 0 at x = -width / 2 and row 0 at z = -depth / 2, the raster
// read back to front where `flip_columns` / `flip_rows` say so.
TerrainLocation locate_imported_terrain(const RasterFrame& frame, bool flip_columns, bool flip_rows, int columns,
                                        int rows, double width, double depth, double height_offset,
                                        double height_factor);

// The record as text (doubles written so that they read back exactly).
std::string format_terrain_location(const TerrainLocation& location);

// Reads a record written by format_terrain_location. False with a message
// naming what is missing or malformed.
bool parse_terrain_location(const std::string& text, TerrainLocation* location, std::string* error);

// Reads the record of a terrain. False with a message: a terrain imported
// before locations were recorded (no file) is told to import its raster again.
bool read_terrain_location(const std::string& path, TerrainLocation* location, std::string* error);

// Terrain x/z to the raster's coordinates.
void locate_in_raster_crs(const TerrainLocation& location, double x, double z, double* crs_x, double* crs_y);

// The raster's coordinates to terrain x/z; false when the affine cannot be inverted.
bool locate_on_terrain(const TerrainLocation& location, double crs_x, double crs_y, double* x, double* z);

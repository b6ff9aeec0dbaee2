// Ground sizes in metres of a raster's cells, whatever its coordinate system.
#pragma once

#include <string>

// No coordinate system of the Earth (metres, feet or degrees) reaches this
// far; PROJ can search for minutes when asked to carry a point from there.
constexpr double FARTHEST_COORDINATE = 1e9;

// Metres on the ground per radian of longitude (east) and of latitude (north)
// at `latitude` radians, on an ellipsoid with the given semi-major axis
// (metres) and inverse flattening (0 for a sphere).
void measure_radian_on_ellipsoid(double latitude, double semi_major, double inverse_flattening, double* east_metres,
                                 double* north_metres);

// What a raster says about where it lies, as far as cell sizes need it.
struct RasterFrame {
    bool has_geotransform;   // false: cells are one unit apart, with no unit known
    double geotransform[6];  // GDAL's affine transform from cell to coordinates
    std::string srs_wkt;     // coordinate system, "" when the raster has none
    int width, height;       // cells
};

// Ground size of one cell, east-west and north-south, in metres.
struct CellSize {
    double east;
    double south;
    std::string basis;  // how it was found, for the summary ("geographic, at 46.50 N")
};

// Works out the cell size: geographic rasters at their centre latitude,
// projected ones through their linear unit, anything else taken as metres
// (basis says so). `override_metres` > 0 sets square cells of that size.
// False with a message when the transform (a coefficient not finite, a
// cell of no size) or the system is unusable.
bool measure_cell_size(const RasterFrame& frame, double override_metres, CellSize* cell, std::string* error);

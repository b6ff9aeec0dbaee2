// Reading a track through GDAL's vector drivers: its line and waypoints, placed on a terrain.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "import/terrain_location.h"

// A point on the terrain: x east, z south, terrain units.
struct TrackPoint {
    double x, z;
    double t = NAN;  // the track's clock there, seconds since 1970 (UTC); NaN when the file gives none
};

struct TrackWaypoint {
    TrackPoint at;
    std::string name;  // "" when the file gives none
};

struct TrackLine {
    std::vector<std::vector<TrackPoint>> parts;  // the line's parts in file order (GPX segments, features),
                                                 // each of its points that could be placed
    std::vector<TrackWaypoint> waypoints;        // GPX wpt; point features of other formats
    std::string layer;                           // the layer the line came from
    std::string placement;                       // how its coordinates were placed, for the summary
    long long point_count;                       // points of the line placed, all parts
    long long dropped_points;                    // points of the line left out: not finite, beyond their
                                                 // coordinate system, or not transformable into the terrain's
    long long dropped_waypoints;                 // waypoints left out so
    std::vector<std::string> files;              // the files GDAL read the track from (a shapefile's several)
};

// Reads the line of the track at `path`: the one layer holding lines, or
// `layer` when given ("" to choose). Its parts are brought from the file's
// coordinate system into the terrain's through the raster's; a point that
// cannot be placed (not finite, beyond its system, not transformable) is left
// out and counted. False with a one-line message when GDAL cannot read the
// file, it holds no line of two points or more (or none once the points that
// cannot be placed are left out), lines lie in several layers and none was
// chosen, the chosen layer is missing, or the systems cannot be matched (a
// track with a coordinate system on a terrain whose raster names none).
bool read_track_line(const std::string& path, const std::string& layer, const TerrainLocation& location,
                     TrackLine* track, std::string* error);

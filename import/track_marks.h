// Marking a track: cones and billboards for the geometry layer, and its line painted on a drape.
#pragma once

#include <cstdint>
#include <vector>

#include "import/terrain_ground.h"
#include "import/track_flight.h"
#include "import/track_line.h"

struct TrackMarks {
    int cones;              // placed along the track
    int billboards;         // placed at waypoints, or at the start and end
    bool at_ends;           // the billboards are flags at the start and end: no waypoint lies on the terrain
    double spacing;         // between cones, terrain units
    double cone_size;       // base radius of a cone
    double billboard_size;  // a billboard spans 8 / 5 of this
    int left_out;           // marks that did not fit the layer
};

// Appends to the geometry layer (empty in a fresh process) billboards
// standing at the waypoints on the terrain (survey flags at the path's start
// and end when there are none), then upright cones on the ground at even
// spacing along the path's stretches on the track, all sized to the grid.
TrackMarks place_track_marks(const FlightPath& path, const std::vector<TrackWaypoint>& waypoints,
                             const TerrainGround& ground);

// Paints the track's parts, antialiased and a few pixels wide, into an RGB
// image of width x height pixels that drapes the whole terrain (rows from the
// north edge). Parts beyond the terrain are left out.
void paint_track_line(std::vector<uint8_t>* rgb, int width, int height, const TrackLine& track, double terrain_width,
                      double terrain_depth);

// A flight along a track, computed by running the viewer's own playback steps and steering back onto the track.
#pragma once

#include <vector>

#include "import/terrain_ground.h"
#include "import/track_line.h"

// The line a flight follows: the track clipped to the terrain, joined
// straight across where it leaves the terrain or breaks between parts.
struct FlightPath {
    std::vector<double> x, z;    // points, terrain units
    std::vector<double> s;       // distance along the path at each point
    std::vector<double> t;       // the track's clock at each point, seconds since 1970; NaN where unknown
    std::vector<char> on_track;  // per segment (one fewer than points): 1 on the track, 0 a straight join
    double outside_length;       // length of the track beyond the terrain's edges (what could be measured)
    int exits;                   // times the track leaves the terrain and comes back or ends outside
};

// The part of segment a-b within |x| <= half_width and |z| <= half_depth, as
// parameters 0 <= t0 <= t1 <= 1 along it; false when it misses the box.
bool clip_segment(double ax, double az, double bx, double bz, double half_width, double half_depth, double* t0,
                  double* t1);

// Builds the path over a terrain of width x depth centred on the origin.
// False when no stretch of the track lies on the terrain.
bool build_flight_path(const TrackLine& track, double width, double depth, FlightPath* path);

// The length of the path's stretches on the track (`on_track`) or of its
// straight crossings (not `on_track`), and in *stretches (if given) how many
// separate stretches of that kind it has.
double measure_on_track(const FlightPath& path, bool on_track, int* stretches = nullptr);

// How to fly.
struct FlightSettings {
    double above;     // eye over the ground under it, terrain units; > 0
    int speed_steps;  // the sample speed: the eye moves speed_steps x 0.1 terrain units a frame; >= 1
    double cell;      // the terrain's grid spacing, terrain units; > 0
};

struct FlightReport {
    int samples;              // samples of the flight, the last of which ends playback
    double flown_length;      // terrain units the eye covers
    double max_distance;      // largest distance of a shown eye's ground point from the path's stretches on the track
    double lowest_clearance;  // least height of a shown eye over the ground under it
};

// The steps a flight of `length` needs at least to fit the samples a flight
// holds, with room for steering.
int least_speed_steps(double length);

// Computes the samples: every frame is played with the viewer's playback
// step from the start pose, and the next heading steers the eye back towards
// the path ahead; heights keep `above` over the highest ground near the eye,
// and the eye looks a little ahead and down. The speed eases up from rest
// over the first second, and at the end the eye stops over the end of the
// path and turns slowly for three seconds. Leaves the samples and the start
// pose in the flythrough state, ready for the .flt writer, and the camera in
// normal mode. False (state unspecified) when the flight does not reach the
// end of the path within the samples a flight holds.
bool plan_flight(const FlightPath& path, const TerrainGround& ground, const FlightSettings& settings,
                 FlightReport* report);

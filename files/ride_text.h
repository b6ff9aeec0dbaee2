// The .ride file (no GL): a fly-over of a track as the video renderer plays
// it, of any length: the route on the ground with its distances and clock,
// the waypoints, and the camera and the rider's place in every frame.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "files/whole_file.h"

constexpr int RIDE_VERSION = 1;
constexpr const char* RIDE_SUFFIX = ".ride";        // beside the track's .flt; no menu lists it
constexpr int RIDE_MOST_FRAMES = 30 * 60 * 60 * 4;  // frames a file holds at most: four hours at 30 a second
constexpr int RIDE_MOST_ROUTE_POINTS = 200000;      // route points a file holds at most
constexpr int RIDE_MOST_WAYPOINTS = 10000;          // waypoints a file holds at most
constexpr int RIDE_LONGEST_NAME = 95;               // bytes of a waypoint's name
constexpr int RIDE_NO_CLOCK = -100000;              // clock_zone when the track has no clock

struct RideWaypoint {
    double x, y, z;    // where its signpost stands, terrain units (y: the ground)
    std::string name;  // printable, at most RIDE_LONGEST_NAME bytes; may be ""
};

// One frame of the video: the camera and the rider.
struct RideFrame {
    double eye[3];   // camera position, terrain units
    double look[3];  // the point it looks at
    double along;    // the rider's distance along the route, 0..the route's length
};

struct Ride {
    int fps;                          // frames a second the frames were planned at; 1..240
    bool chase;                       // the camera follows the rider (else it is the rider's eye)
    double height_offset;             // elevation in metres = y / height_factor + height_offset
    double height_factor;             // > 0
    int clock_zone;                   // the clock's minutes east of UTC; RIDE_NO_CLOCK when there is none
    std::vector<double> x, y, z;      // route points on the ground, terrain units
    std::vector<double> s;            // distance along the route at each point, metres; from 0, increasing
    std::vector<double> t;            // the track's clock at each point, seconds since 1970; NaN where unknown
    std::vector<char> on_track;       // per point but the last: 1 when the route runs on the track from it
                                      // to the next, 0 on a straight crossing
    std::vector<RideWaypoint> waypoints;
    std::vector<RideFrame> frames;    // 1..RIDE_MOST_FRAMES
};

// Writes the ride as text into a save begun with begin_whole_file.
void print_ride_text(WholeFile* out, const Ride& ride);

// Reads a .ride file. False with a message naming the file (and the line at
// fault) when it is missing, not a ride, of another version, truncated, or
// holds a value out of its range (counts, non-finite numbers, distances that
// do not increase, a rider beyond the route); *ride is then empty.
bool read_ride_text(const char* path, Ride* ride, std::string* error);

// The same from text in memory (`name` names it in messages).
bool parse_ride_text(const char* text, size_t size, const char* name, Ride* ride, std::string* error);

// The point on the route at distance `along` (clamped to the route): x, y
// (the ground), z. *segment is a point at or before it, kept between calls
// so that a walk forward costs little (start it at 0; it is moved back when
// `along` lies before it).
void locate_on_ride_route(const Ride& ride, double along, size_t* segment, double point[3]);

// The track's clock at distance `along`, NaN where it has none.
double measure_ride_clock(const Ride& ride, double along, size_t* segment);

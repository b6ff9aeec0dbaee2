// What a fly-over shows over the scene, laid out once for a run (no GL): the route's line, the rider, waypoint
// labels, read-outs and the elevation profile, in world units or in the picture's pixels.
#pragma once

#include <string>
#include <vector>

#include "files/ride_text.h"

constexpr int STORY_READOUT_LINES = 3;  // distance, elevation, time of day

// A run of the route on the track (crossings are not drawn), as point indices.
struct RouteRun {
    size_t first, last;  // first < last
};

struct RideStory {
    int hidden;                      // StoryPart bits left out (render_options.h)
    int width, height;               // the picture, pixels
    std::vector<float> line;         // x, y, z of the drawn route's points: the route's on the track, GPS
                                     // scatter smoothed, points that add nothing left out, a little over the ground
    std::vector<double> line_s;      // distance along the route at each of them
    std::vector<RouteRun> runs;      // the drawn route's stretches, as indices of its points
    float line_width;                // pixels of the route's line; its outline is wider
    float marker_size;               // pixels across the rider's marker
    float text_height;               // pixels of a read-out's capital letters
    float label_lift;                // world units a waypoint's label is raised over the ground
    int profile_box[4];              // left, bottom, width, height of the profile inset, pixels from the bottom left
    std::vector<float> profile;      // x, y pixel pairs of the elevation line, left to right
    std::vector<float> profile_fill; // x, y pixel pairs under it: each point of the line, then the box's bottom
    std::vector<double> profile_s;   // distance along the route at each of its points
    double lowest, highest;          // elevations the profile spans, metres
    int readout_box[4];              // left, bottom, width, height of the read-outs' panel
};

// Lays the story out for a ride drawn at width x height pixels.
RideStory lay_out_ride_story(const Ride& ride, int width, int height, int hidden);

// The camera and rider at `seconds` into the video (between the ride's
// frames, in a straight line; the last frame beyond its end).
RideFrame interpolate_ride_frame(const Ride& ride, double seconds);

// The number of frames a video of the ride at `fps` has.
int count_ride_frames(const Ride& ride, int fps);

// The read-out lines for the rider at `along`: "3.2 km of 6.5 km",
// "1,234 m" (the elevation), and the time of day ("14:32 UTC") or "" when
// the track has no clock there.
void format_ride_readouts(const Ride& ride, double along, std::string lines[STORY_READOUT_LINES]);

// The profile's points up to the rider at `along` (the count of
// RideStory::profile pairs to draw as travelled).
size_t count_profile_travelled(const RideStory& story, double along);

// The drawn route's points up to the rider at `along` (the travelled part is
// points [0, n) and the rider, the rest the rider onwards), and the rider's
// place on the drawn line (x, y, z).
size_t count_route_travelled(const RideStory& story, double along, float rider[3]);

// --- Drawing (GL) ---

// The route's line and the rider at `along`, under the camera's view; the
// pipeline's rest state is kept.
void draw_ride_route(const Ride& ride, const RideStory& story, double along);

// Waypoint names beside their signposts, the read-outs and the profile with
// the rider at `along`, in the picture's pixels.
void draw_ride_panels(const Ride& ride, const RideStory& story, double along);

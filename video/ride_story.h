// What a fly-over shows over the scene, laid out once for a run (no GL): the route's line, the rider, waypoint
// labels, read-outs and the elevation profile, in world units or in the picture's pixels.
#pragma once

#include <string>
#include <vector>

#include "files/ride_text.h"
#include "state/render_state.h"

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

// The route's line and the rider of render_ride at render_rider_along, under
// the current view; the pipeline's rest state is kept.
void draw_ride_route();

// Waypoint names beside their signposts, the read-outs and the profile with
// the rider at render_rider_along, in the picture's pixels.
void draw_ride_panels();

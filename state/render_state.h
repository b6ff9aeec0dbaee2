// The flight renderer: its private X server, the file it writes, and the
// fly-over it renders with what it shows.
//
// Owns: render_xvfb_pid, render_auth_path, render_output, render_output_begun,
// render_ride, render_story, render_ride_on, render_rider_along.
// Lifetime: the session: a run of --render-flight starts at most one server,
// renders at most one fly-over and writes one output; the stop handlers read
// the first four.
// Writers: video/render_display.cpp (the server and its cookie file),
// video/render_flight_gl.cpp (the output, the ride and the rider's place
// each frame), video/ride_story.cpp (the story's layout).
#pragma once

#include <sys/types.h>

#include <vector>

#include "files/ride_text.h"
#include "files/whole_file.h"

// A run of the drawn route on the track (crossings are not drawn), as point indices.
struct RouteRun {
    size_t first, last;  // first < last
};

constexpr int STORY_READOUT_LINES = 3;  // distance, elevation, time of day

// What a fly-over shows over the scene, laid out once for a run: the route's
// line, the rider, waypoint labels, read-outs and the elevation profile, in
// world units or in the picture's pixels.
struct RideStory {
    int hidden;                      // StoryPart bits left out (video/render_options.h)
    int width, height;               // one eye's picture, pixels
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

extern volatile pid_t render_xvfb_pid;  // the private Xvfb; -1 when none runs
extern char render_auth_path[128];      // the private server's cookie file; "" when none
extern WholeFile render_output;         // the video or still being written, under its temporary name
extern bool render_output_begun;        // render_output holds a save begun and not yet finished or discarded
extern Ride render_ride;                // the fly-over being rendered (a .ride); empty for a recorded flight
extern RideStory render_story;          // what it shows, laid out for the picture
extern bool render_ride_on;             // a fly-over is being rendered: frames are placed from render_ride
extern double render_rider_along;       // the rider's distance along the route in the frame being drawn, metres

// Puts every value back to its start; no server may run and no output be
// begun (the renderer's stop leaves neither).
void reset_render_state();

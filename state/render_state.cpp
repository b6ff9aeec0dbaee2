// Definitions of the flight renderer's state; reset_render_state gives every
// start value.
#include "state/render_state.h"

volatile pid_t render_xvfb_pid;
char render_auth_path[128];
WholeFile render_output;
bool render_output_begun;
Ride render_ride;
RideStory render_story;
bool render_ride_on;
double render_rider_along;

void reset_render_state() {
    render_xvfb_pid = -1;
    render_auth_path[0] = '\0';
    render_output = WholeFile();
    render_output_begun = false;
    render_ride = Ride{};
    render_story = RideStory{};
    render_ride_on = false;
    render_rider_along = 0.0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool render_state_started = (reset_render_state(), true);

// Definitions of the stereo state; reset_stereo_state gives every start value.
#include "state/stereo_state.h"

int stereo_on;
float stereo_separation;
float stereo_angle;
float stereo_saved_angle;
float stereo_saved_separation;

void reset_stereo_state() {
    stereo_on = 0;
    stereo_separation = 0.0f;
    stereo_angle = 0.5f;
    stereo_saved_angle = 0.0f;
    stereo_saved_separation = 0.0f;
}

// The start values hold from before main.
[[maybe_unused]] static const bool stereo_state_started = (reset_stereo_state(), true);

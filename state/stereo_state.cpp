// Definitions of the stereo state; reset_stereo_state gives every start value.
#include "state/stereo_state.h"

int stereo_on;
float stereo_separation;
float stereo_angle;
float stereo_saved_angle;
float stereo_saved_separation;
int stereo_mode;
double stereo_depth_factor;
double stereo_baseline;
double stereo_convergence;
bool stereo_depth_settled;
int stereo_split_laid_out;

void reset_stereo_state() {
    stereo_on = 0;
    stereo_separation = 0.0f;
    stereo_angle = 0.5f;
    stereo_saved_angle = 0.0f;
    stereo_saved_separation = 0.0f;
    stereo_mode = 0;
    stereo_depth_factor = 1.0;
    stereo_baseline = 0.0;
    stereo_convergence = 1.0;
    stereo_depth_settled = false;
    stereo_split_laid_out = -1;
}

// The start values hold from before main.
[[maybe_unused]] static const bool stereo_state_started = (reset_stereo_state(), true);

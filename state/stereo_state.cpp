// Definitions of the stereo state.
#include "state/stereo_state.h"

int stereo_on = 0;
float stereo_separation = 0.0f;
float stereo_angle = 0.5f;
float stereo_saved_angle = 0.0f;
float stereo_saved_separation = 0.0f;

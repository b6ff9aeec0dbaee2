// Definitions of the stereo state.
#include "state/stereo_state.h"

int stereo_on = 0;

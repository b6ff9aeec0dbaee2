// Definitions of the sky and fog state; reset_sky_state gives every start value.
#include "state/sky_state.h"

int panoramic_sky_on;
unsigned int skybox_list;  // 0 until start-up builds it, then kept for the life of the GL context
int fog_on;
float fog_start;
float fog_end;

void reset_sky_state() {
    panoramic_sky_on = 0;
    fog_on = 0;
    fog_start = 1.0f;
    fog_end = 500.0f;
}

// The start values hold from before main.
[[maybe_unused]] static const bool sky_state_started = (reset_sky_state(), true);

// Definitions of the mouse and picking state; reset_mouse_state gives every
// start value.
#include "state/mouse_state.h"

#include <cstring>

int picked_face;
double pick_marker[3][3];
double ray_near[3];
double ray_far[3];
int mouse_modifiers;
int mouse_last_y;

void reset_mouse_state() {
    picked_face = 0;
    memset(pick_marker, 0, sizeof pick_marker);
    memset(ray_near, 0, sizeof ray_near);
    memset(ray_far, 0, sizeof ray_far);
    mouse_modifiers = 0;
    mouse_last_y = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool mouse_state_started = (reset_mouse_state(), true);

// Definitions of the mouse and picking state.
#include "state/mouse_state.h"

int picked_face = 0;
double pick_marker[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
double ray_near[3] = {0, 0, 0};
double ray_far[3] = {0, 0, 0};
int mouse_modifiers = 0;
int mouse_last_y = 0;

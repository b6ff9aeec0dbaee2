// Definitions of the frame state.
#include "state/frame_state.h"

float marker_radius = 2.0f;
int fps_frames = 0;
int fps_last_ms = 0;
long frames_drawn = 0;

// Definitions of the frame state.
#include "state/frame_state.h"

float marker_radius = 2.0f;
int fps_frames = 0;
int fps_last_ms = 0;
long frames_drawn = 0;

namespace {
void (*frame_drawer)() = nullptr;
}

void show_frame() {
    if (frame_drawer) frame_drawer();
}

void set_frame_drawer(void (*draw)()) { frame_drawer = draw; }

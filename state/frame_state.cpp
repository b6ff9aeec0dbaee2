// Definitions of the frame state (reset_frame_state gives every start value)
// and the hook that shows a frame at once.
#include "state/frame_state.h"

float marker_radius;
int fps_frames;
int fps_last_ms;
long frames_drawn;

void (*scene_addition)() = nullptr;

namespace {
void (*frame_drawer)() = nullptr;
}

void reset_frame_state() {
    marker_radius = 2.0f;
    fps_frames = 0;
    fps_last_ms = 0;
    frames_drawn = 0;
}

void show_frame() {
    if (frame_drawer) frame_drawer();
}

void set_frame_drawer(void (*draw)()) { frame_drawer = draw; }

void set_scene_addition(void (*draw)()) { scene_addition = draw; }

// The start values hold from before main.
[[maybe_unused]] static const bool frame_state_started = (reset_frame_state(), true);

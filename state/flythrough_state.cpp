// Definitions of the flythrough state; reset_flythrough_state gives every
// start value.
#include "state/flythrough_state.h"

#include <cstring>
#include <initializer_list>

int mode_normal;
int mode_record;
int mode_playback;

int flythrough_frame;
int flythrough_frame_count;
int playback_reset_view;
int flythrough_full;
int flythrough_unsaved;

float flythrough_speed[FLYTHROUGH_CAPACITY];
float flythrough_yaw[FLYTHROUGH_CAPACITY];
float flythrough_height[FLYTHROUGH_CAPACITY];
float flythrough_dir_y[FLYTHROUGH_CAPACITY];
float flythrough_start_eye[3];
float flythrough_start_target[3];

void reset_flythrough_state() {
    mode_normal = 1;
    mode_record = mode_playback = 0;
    flythrough_frame = flythrough_frame_count = 0;
    playback_reset_view = flythrough_full = flythrough_unsaved = 0;
    for (float* samples : {flythrough_speed, flythrough_yaw, flythrough_height, flythrough_dir_y}) {
        memset(samples, 0, sizeof(float) * FLYTHROUGH_CAPACITY);
    }
    memset(flythrough_start_eye, 0, sizeof flythrough_start_eye);
    memset(flythrough_start_target, 0, sizeof flythrough_start_target);
}

// The start values hold from before main.
[[maybe_unused]] static const bool flythrough_state_started = (reset_flythrough_state(), true);

// Definitions of the flythrough state.
#include "state/flythrough_state.h"

int mode_normal = 1;
int mode_record = 0;
int mode_playback = 0;

int flythrough_frame = 0;
int flythrough_frame_count = 0;
int playback_reset_view = 0;
int flythrough_full = 0;

float flythrough_speed[FLYTHROUGH_CAPACITY];
float flythrough_yaw[FLYTHROUGH_CAPACITY];
float flythrough_height[FLYTHROUGH_CAPACITY];
float flythrough_dir_y[FLYTHROUGH_CAPACITY];
float flythrough_start_eye[3] = {0.0f, 0.0f, 0.0f};
float flythrough_start_target[3] = {0.0f, 0.0f, 0.0f};

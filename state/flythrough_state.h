// Flythrough: the camera mode, the sample buffer and the start pose.
//
// Owns: mode_normal, mode_record, mode_playback, flythrough_frame,
// flythrough_frame_count, playback_reset_view, flythrough_unsaved, the four sample arrays and
// the start eye and target.
// Lifetime: normal mode from start; a recording or a load overwrites the
// samples and the start pose; exactly one mode flag is set at any time.
// Writers: the mode machine (flythrough/frame_modes.cpp: the mode flags through
// set_camera_mode, sampling, playback steps, and the setters through which
// the importer puts a computed flight) and the .flt reader; flythrough_unsaved:
// Space and the typed name's save (input/key_table.cpp, input/keyboard.cpp),
// a new recording and a load (flythrough/flythrough.cpp).
#pragma once

#include "files/flythrough_text.h"  // FLYTHROUGH_CAPACITY, the samples each array holds

extern int mode_normal;    // 1 while the keys drive the camera
extern int mode_record;    // 1 while a recording takes one sample per frame
extern int mode_playback;  // 1 while recorded samples drive the camera

extern int flythrough_frame;        // next sample: taken so far (recording) or to play (playback); 0..8000
extern int flythrough_frame_count;  // samples of the loaded file; 1..8000 once a file is loaded
extern int playback_reset_view;     // 1: the next frame places the camera at the start pose
extern int flythrough_full;         // 1 once a recording has filled the buffer (reported once)
extern int flythrough_unsaved;      // 1: the samples hold a stopped recording that no save has written yet

extern float flythrough_speed[FLYTHROUGH_CAPACITY];   // per sample: camera_speed
extern float flythrough_yaw[FLYTHROUGH_CAPACITY];     // per sample: camera_yaw, radians
extern float flythrough_height[FLYTHROUGH_CAPACITY];  // per sample: camera_height, world units
extern float flythrough_dir_y[FLYTHROUGH_CAPACITY];   // per sample: camera_dir_y
extern float flythrough_start_eye[3];     // eye when the recording started
extern float flythrough_start_target[3];  // eye + look direction when the recording started

// Puts every variable of the group back to its start value: normal mode, no
// samples.
void reset_flythrough_state();

// The per-frame camera mode machine (normal, recording, playback) and its
// transitions; no GL, the frame pass applies the view afterwards.
#pragma once

enum CameraMode { CAMERA_NORMAL, CAMERA_RECORD, CAMERA_PLAYBACK };

// Sets exactly one of mode_normal, mode_record and mode_playback.
void set_camera_mode(CameraMode mode);

// Starts a recording from the current pose (sample 0). Returns false, and
// leaves the running recording going, when one runs already.
bool begin_recording();

// Space: ends a running recording (message line hidden, normal mode), keeping
// its samples for the save. Returns false when no recording runs.
bool stop_recording();

// Puts the camera into playback of frame_count loaded samples (1..8000) from
// the start pose.
void begin_playback(int frame_count);

// A flight computed rather than recorded (a tool's, for the .flt writer):
// sets sample i (0..FLYTHROUGH_CAPACITY - 1; others are ignored)...
void set_flythrough_sample(int i, float speed, float yaw, float height, float dir_y);
// ...the start pose a playback of it begins from...
void set_flythrough_start(const float eye[3], const float target[3]);
// ...and its length, the samples a save writes (0..FLYTHROUGH_CAPACITY).
void set_flythrough_length(int count);

// Appends this frame's sample while recording. At the capacity it takes no
// more samples and, the first time, says so on the console and message line.
void record_flythrough_sample();

// The camera step of one frame by mode: normal (held keys), recording (normal
// plus one sample) or playback (the start pose on the first frame, then one
// sample a frame; the frame that plays the last sample ends playback and
// returns the camera to the origin). Returns false when the frame is to be
// drawn with the identity view (playback just ended).
bool step_frame_camera();

// Flythrough modes: which of normal, recording or playback drives the camera.
//
// Owns: mode_normal, mode_record, mode_playback.
// Lifetime: normal from start; exactly one flag is set at any time.
// Writers: the recording and playback operations and the frame pass.
#pragma once

extern int mode_normal;    // 1 while the keys drive the camera
extern int mode_record;    // 1 while a recording takes one sample per frame
extern int mode_playback;  // 1 while recorded samples drive the camera

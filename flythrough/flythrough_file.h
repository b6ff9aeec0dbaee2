// The .flt file, the recording buffer and the per-frame camera step by mode
// (no GL: the frame pass and the callbacks add the drawing).
#pragma once

#include <cstddef>

constexpr int FLYTHROUGH_PATH_SIZE = 160;   // bytes of a flythrough path
constexpr int FLYTHROUGH_ERROR_SIZE = 256;  // bytes of an error message

// Starts a recording from the current pose (sample 0), or, when one runs,
// leaves it going. Returns false when a recording was already running.
bool begin_recording();

// Appends this frame's sample while recording. At the capacity it takes no
// more samples and, the first time, says so on the console and message line.
void record_flythrough_sample();

// Writes flythrough_frame samples with the start pose to `path`. Returns
// false with a message when the file cannot be written.
bool write_flythrough_file(const char* path, char* error, size_t error_size);

// Reads a .flt file into the sample buffer and start pose, which are left
// untouched if the file is refused: missing, N outside 1..8000, fewer sample
// lines than N, or values that do not scan. Returns N, or 0 with a message.
int read_flythrough_file(const char* path, char* error, size_t error_size);

// Puts the camera into playback of the loaded samples from the start pose.
void begin_playback(int frame_count);

// The camera step of one frame by mode: normal (held keys), recording
// (normal plus one sample) or playback (one sample, or the start pose on
// the first frame; the frame that plays the last sample ends playback and
// returns the camera to the origin). Returns false when the frame is to be
// drawn with the identity view (playback just ended).
bool step_frame_camera();

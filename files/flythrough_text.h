// The .flt flythrough file (no GL): a sample count, the start eye and target,
// then one line of speed, yaw, height and look pitch per sample.
#pragma once

#include <cstddef>

#include "files/whole_file.h"

constexpr int FLYTHROUGH_CAPACITY = 8000;               // samples a file and the viewer's buffer hold at most
constexpr double FLYTHROUGH_SPEED_LIMIT = 2147483648.0;  // |speed| must stay below: it is truncated to an int

// The arrays a flythrough is written from or read into.
struct FlythroughArrays {
    float* speed;         // FLYTHROUGH_CAPACITY samples: forward speed
    float* yaw;           // FLYTHROUGH_CAPACITY samples: heading, radians
    float* height;        // FLYTHROUGH_CAPACITY samples: eye height
    float* dir_y;         // FLYTHROUGH_CAPACITY samples: the look direction's y
    float* start_eye;     // 3: the eye when the recording started
    float* start_target;  // 3: the eye plus the look direction then
};

// Writes `count` samples (0..FLYTHROUGH_CAPACITY) with the start pose:
// "%d\n", "%f %f %f %f %f %f\n", then "%f %f %f %f\n" per sample. Returns
// false with a message when the file cannot be written (or `path` exists and
// is not a regular file: nothing is opened then); an earlier file then stays
// as it was.
bool write_flythrough_text(const char* path, const FlythroughArrays& from, int count, char* error,
                           size_t error_size);

// The same text into a save begun with begin_whole_file (for a set of files
// that take their names together).
void print_flythrough_text(WholeFile* out, const FlythroughArrays& from, int count);

// Reads a .flt file into the arrays, which are left untouched if the file is
// refused: missing or not a regular file, N outside 1..8000, fewer sample
// lines than N, values that do not scan, a value that is not finite (nan,
// inf, beyond a float) or a speed whose truncation does not fit an int. The
// message names the file, and the sample when one is at fault. Returns N, or
// 0 with a message.
int read_flythrough_text(const char* path, const FlythroughArrays& into, char* error, size_t error_size);

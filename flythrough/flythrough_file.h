// Reading and writing .flt flythrough files (no GL): the sample buffer and
// start pose of the flythrough state go to and come from the file.
#pragma once

#include <cstddef>

constexpr int FLYTHROUGH_PATH_SIZE = 160;   // bytes of a flythrough path
constexpr int FLYTHROUGH_ERROR_SIZE = 256;  // bytes of an error message
constexpr double FLYTHROUGH_SPEED_LIMIT = 2147483648.0;  // |speed| must stay below: it is truncated to an int

// Writes flythrough_frame samples with the start pose to `path`. Returns
// false with a message when the file cannot be written (or `path` exists and
// is not a regular file: nothing is opened then).
bool write_flythrough_file(const char* path, char* error, size_t error_size);

// Reads a .flt file into the sample buffer and start pose, which are left
// untouched if the file is refused: missing or not a regular file, N outside
// 1..8000, fewer sample lines than N, values that do not scan, a value that is
// not finite (nan, inf, beyond a float) or a speed whose truncation does not
// fit an int. The message names the file, and the sample when one is at fault.
// Returns N, or 0 with a message.
int read_flythrough_file(const char* path, char* error, size_t error_size);

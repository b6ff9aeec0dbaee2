// Reading and writing .flt flythrough files (no GL): the sample buffer and
// start pose of the flythrough state go to and come from the file.
#pragma once

#include <cstddef>

constexpr int FLYTHROUGH_PATH_SIZE = 160;   // bytes of a flythrough path
constexpr int FLYTHROUGH_ERROR_SIZE = 256;  // bytes of an error message

// Writes flythrough_frame samples with the start pose to `path`. Returns
// false with a message when the file cannot be written.
bool write_flythrough_file(const char* path, char* error, size_t error_size);

// Reads a .flt file into the sample buffer and start pose, which are left
// untouched if the file is refused: missing, N outside 1..8000, fewer sample
// lines than N, or values that do not scan. Returns N, or 0 with a message.
int read_flythrough_file(const char* path, char* error, size_t error_size);

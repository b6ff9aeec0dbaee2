// Reading and writing .flt flythrough files (no GL): the sample buffer and
// start pose of the flythrough state go to and come from the file.
#pragma once

#include <cstddef>

#include "files/flythrough_text.h"

constexpr int FLYTHROUGH_PATH_SIZE = 160;   // bytes of a flythrough path
constexpr int FLYTHROUGH_ERROR_SIZE = 256;  // bytes of an error message

// The flythrough state's sample arrays and start pose, for the format's
// functions.
FlythroughArrays flythrough_state_arrays();

// Writes flythrough_frame samples (at most FLYTHROUGH_CAPACITY) with the
// start pose to `path`, as write_flythrough_text does.
bool write_flythrough_file(const char* path, char* error, size_t error_size);

// Reads a .flt file into the sample buffer and start pose, as
// read_flythrough_text does: a refused file leaves them untouched. Returns N,
// or 0 with a message.
int read_flythrough_file(const char* path, char* error, size_t error_size);

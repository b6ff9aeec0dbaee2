// Writing frames as PNG files (no GL).
#pragma once

#include <cstddef>

#include "files/whole_file.h"

// Writes width x height pixels as an 8-bit RGB PNG at `path`, replacing any
// file there only once the whole picture is written (it goes to a temporary
// name beside it first). `pixels` holds `channels` bytes a pixel (3 RGB, or
// 4 RGBA whose alpha is dropped), rows unpadded, the top row first unless
// `bottom_up` (GL's order). Returns false with a message, leaving nothing
// behind, when the file cannot be written.
bool write_png_file(const char* path, const unsigned char* pixels, int width, int height, int channels,
                    bool bottom_up, char* error, size_t error_size);

// Adds the same picture, encoded as a PNG, to a save begun with
// begin_whole_file. Returns false with a message when it cannot be encoded.
bool append_png_image(WholeFile* out, const unsigned char* pixels, int width, int height, int channels,
                      bool bottom_up, char* error, size_t error_size);

// Writing frames as PNG files (no GL).
#pragma once

#include <cstddef>

// Writes width x height pixels as an 8-bit RGB PNG at `path`, replacing any
// file there only once the whole picture is written (it goes to a temporary
// name beside it first). `pixels` holds `channels` bytes a pixel (3 RGB, or
// 4 RGBA whose alpha is dropped), rows unpadded, the top row first unless
// `bottom_up` (GL's order). Returns false with a message, leaving nothing
// behind, when the file cannot be written.
bool write_png_file(const char* path, const unsigned char* pixels, int width, int height, int channels,
                    bool bottom_up, char* error, size_t error_size);

// Raw images and the info files of drapes and maps (no GL).
#pragma once

#include <cstddef>

#include "files/whole_file.h"

constexpr int MAX_TEXTURE_SIDE = 16384;  // largest width or height accepted from an info file
constexpr size_t TEXTURE_PATH_SIZE = 160;  // bytes of a drape or map path buffer

// Reads exactly width * height * components bytes of `path` into a new
// malloc'ed buffer. Returns false with a message (and *pixels untouched) when
// the file is missing, not a regular file, shorter than that (found before
// anything is allocated), or memory runs out.
bool read_raw_image(const char* path, int width, int height, int components,
                    unsigned char** pixels, char* error, size_t error_size);

// Reads "W H C" from an info file. Returns false with a message when it is
// missing or not a regular file, does not hold three numbers, or holds sizes
// outside 1..16384 or components outside 1..4.
bool read_info_file(const char* path, int* width, int* height, int* components,
                    char* error, size_t error_size);

// Writes the info file's one line "W H C" into a save begun with begin_whole_file.
void print_info_file(WholeFile* out, int width, int height, int components);

// Builds the image path "." + path and the info path "." + path up to and
// including its first '.' + "info". Returns the prefix length (position of
// the first '.' plus 1), or -1 with a message when the path has no '.' or the
// results do not fit the buffers.
int drape_paths(const char* path, char* image_path, size_t image_size,
                char* info_path, size_t info_size, char* error, size_t error_size);

// The texel under texture coordinate (s, t) as the terrain draws it (t is
// flipped; coordinates repeat). Returns false for an empty image.
bool locate_texel(float s, float t, int width, int height, int* column, int* row);

// Paints the texel under (s, t) white in an image of width x height pixels of
// `components` bytes (3 colour, anything else one byte), and gives its byte
// offset. Whatever s and t hold, only bytes of the image are written. Returns
// false, writing nothing, for an empty image.
bool paint_texel_white(unsigned char* image, int width, int height, int components, float s, float t, long* offset);

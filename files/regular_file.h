// Opening asset files so that nothing but a regular file is ever read: a
// named pipe, a device or a directory is refused before any call that could
// block on it. (Saves go through files/whole_file.h.)
#pragma once

#include <cstddef>
#include <cstdio>

// Opens `path` for reading. Returns a descriptor, or -1 with a message in
// `error`: "<what> not found <path>" when it cannot be opened, "<path> is not
// a regular file" for anything else. `what` names the file kind in the first
// message (for example "DEM file").
int open_regular_file(const char* path, const char* what, char* error, size_t error_size);

// open_regular_file as a stream opened "rb"; null with the same messages.
FILE* fopen_regular_file(const char* path, const char* what, char* error, size_t error_size);

// Size in bytes of an open regular file, or -1 if it cannot be read.
long long regular_file_size(int fd);

// Opening asset files so that nothing but a regular file is ever read or
// written: a named pipe, a device or a directory is refused before any call
// that could block on it.
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

// Creates or truncates `path` for writing ("w" or "wb" in `mode`). Refuses,
// before opening anything, a path that exists and is not a regular file.
// Returns null with a message ("Cannot create <path>: <reason>").
FILE* fopen_regular_for_writing(const char* path, const char* mode, char* error, size_t error_size);

// A file written whole or not at all: the text goes to a temporary file
// beside the target (a hidden name, so no asset menu lists it), which is
// renamed over the target only once it is complete.
struct WholeFile {
    FILE* file;             // write the contents here
    char temporary[4096];   // the temporary file's path
    char target[4096];      // the path it becomes
};

// Starts writing `path` ("wb"). Refuses, leaving nothing behind, a target that
// exists and is not a regular file, or one whose folder cannot take a new
// file; returns false with "Cannot create <path>: <reason>".
bool begin_whole_file(const char* path, WholeFile* out, char* error, size_t error_size);

// Ends the writing: on success the target is replaced; on any write error the
// temporary file is removed, the target stays as it was, and false comes back
// with "Cannot write <path>: <reason>".
bool finish_whole_file(WholeFile* out, char* error, size_t error_size);

// Size in bytes of an open regular file, or -1 if it cannot be read.
long long regular_file_size(int fd);

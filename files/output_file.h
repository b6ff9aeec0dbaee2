// Output files that appear whole or not at all: written under a temporary
// name beside the final one, renamed at the end (no GL).
#pragma once

#include <cstddef>

// Creates an empty file beside `path` (same folder, name ".<name>.XXXXXX"),
// with the permissions a new file gets, and writes its name to temp_path.
// Returns false with a message naming `path` when the folder is missing or
// not writable, or `path` is a folder.
bool create_temp_beside(const char* path, char* temp_path, size_t temp_size, char* error, size_t error_size);

// Renames the finished temporary file over `path`. Returns false with a
// message (the temporary file is then removed).
bool commit_temp(const char* temp_path, const char* path, char* error, size_t error_size);

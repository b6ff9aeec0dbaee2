// Starting and ending helper programs (ffmpeg, Xvfb) as child processes that
// die with this one (no GL).
#pragma once

#include <sys/types.h>

#include <cstddef>

// True when `program` names an executable file, either as a path (it holds a
// '/') or through PATH; `found` receives the path used.
bool find_program(const char* program, char* found, size_t found_size);

// Starts the executable `path` with argv (null-terminated, argv[0] first),
// its standard input, output and error on the given descriptors (-1 gives
// /dev/null), and no other descriptor of ours except `keep_fd` (if not -1; kept
// under its number even when opened close-on-exec).
// The child is killed when this process ends. Returns its pid, or -1.
pid_t start_child(const char* path, char* const argv[], int in_fd, int out_fd, int err_fd, int keep_fd);

// Waits at most timeout_ms for the child to end and reaps it: true with its
// exit status (or 128 + signal) in *status.
bool wait_for_child(pid_t pid, int timeout_ms, int* status);

// SIGTERM, then SIGKILL after timeout_ms, and reaps the child.
void end_child(pid_t pid, int timeout_ms);

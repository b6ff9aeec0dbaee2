// Whether two paths name one file, so that a run never writes over a file it reads.
#pragma once

// True when `a` and `b` name the same file: the same device and inode when
// both exist, otherwise the same path once links, "." and ".." are resolved
// (a path that does not exist yet is resolved through its folder).
bool is_same_file(const char* a, const char* b);

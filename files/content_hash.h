// A fast hash of a file's bytes, to tell whether something built from a file
// was built from these very bytes (not a defence against a forger).
#pragma once

#include <cstddef>
#include <cstdint>

// A 64-bit hash of `size` bytes, on every core; the same value whatever the
// number of cores, and for the same bytes on every run.
uint64_t hash_content(const void* data, size_t size);

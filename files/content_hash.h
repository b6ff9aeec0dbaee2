// A fast hash of a file's bytes, to tell whether something built from a file
// was built from these very bytes (not a defence against a forger).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// A 64-bit hash of `size` bytes, on every core; the same value whatever the
// number of cores, and for the same bytes on every run.
uint64_t hash_content(const void* data, size_t size);

// The same hash, calling block_done(offset, bytes) for each stretch of the
// bytes once it is hashed (from any thread), so that a caller may hand back
// the pages of a mapped file as they are read.
uint64_t hash_content(const void* data, size_t size, const std::function<void(size_t, size_t)>& block_done);

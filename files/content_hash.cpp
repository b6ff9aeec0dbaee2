// The content hash: 1 MiB blocks hashed apart (on every core), their hashes
// then combined in order, so that the result does not depend on how the
// blocks were shared out.
#include "files/content_hash.h"

#include <cstring>
#include <vector>

#include "files/parallel.h"

constexpr size_t HASH_BLOCK = 1 << 20;  // bytes hashed apart

namespace {

inline uint64_t mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

// Four lanes of 8-byte words, then the tail byte by byte.
uint64_t hash_block(const unsigned char* data, size_t size, uint64_t seed) {
    uint64_t lane[4] = {seed ^ 0x9e3779b97f4a7c15ull, seed ^ 0xbf58476d1ce4e5b9ull, seed ^ 0x94d049bb133111ebull,
                        seed ^ 0x2545f4914f6cdd1dull};
    size_t i = 0;
    for (; i + 32 <= size; i += 32)
        for (int k = 0; k < 4; ++k) {
            uint64_t word;
            std::memcpy(&word, data + i + 8 * k, 8);
            lane[k] = (lane[k] ^ word) * 0x100000001b3ull;
            lane[k] ^= lane[k] >> 29;
        }
    uint64_t h = mix(lane[0]) ^ mix(lane[1] + 1) ^ mix(lane[2] + 2) ^ mix(lane[3] + 3);
    for (; i < size; ++i) h = (h ^ data[i]) * 0x100000001b3ull;
    return mix(h ^ size);
}

}  // namespace

uint64_t hash_content(const void* data, size_t size) { return hash_content(data, size, nullptr); }

uint64_t hash_content(const void* data, size_t size, const std::function<void(size_t, size_t)>& block_done) {
    const unsigned char* bytes = (const unsigned char*)data;
    size_t blocks = (size + HASH_BLOCK - 1) / HASH_BLOCK;
    std::vector<uint64_t> block_hash(blocks);
    run_parallel_parts([&](int part) {
        int first, end;
        parallel_share((long long)blocks, part, &first, &end);
        for (int b = first; b < end; ++b) {
            size_t at = (size_t)b * HASH_BLOCK;
            size_t bytes_here = size - at < HASH_BLOCK ? size - at : HASH_BLOCK;
            block_hash[b] = hash_block(bytes + at, bytes_here, (uint64_t)b);
            if (block_done) block_done(at, bytes_here);
        }
    }, (long long)size);
    uint64_t h = mix(size + 0x51ed27ull);
    for (uint64_t b : block_hash) h = mix(h ^ b) * 0x9e3779b97f4a7c15ull;
    return mix(h);
}

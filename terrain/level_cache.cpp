// The levels' cache file. Its bytes, in this machine's byte order (another
// machine's cache fails the checks and is built again):
//   magic "KLLEVELS", u32 version,
//   u64 terrain bytes, u64 terrain hash,
//   i32 tile faces asked, faces, vertices, tiles, nodes,
//   u64 payload bytes, the payload, u64 hash of the payload,
// and the payload, node by node: the base, u32 levels, each level. A level
// (the base too): f32 error across, error up, skirt depth, lift (each divided
// by the heights' scale at the load), u32 corners and as many i32 corner ids,
// u32 skirt corners and as many i32 ids, u32 corners with normals, their
// i32 ids (ascending) and three f32 for each.
#include "terrain/level_cache.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/content_hash.h"
#include "files/regular_file.h"
#include "files/whole_file.h"
#include "state/session_state.h"
#include "state/world_state.h"
#include "terrain/terrain_levels.h"

constexpr char LEVEL_CACHE_MAGIC[8] = {'K', 'L', 'L', 'E', 'V', 'E', 'L', 'S'};
// Grows with every change to how levels are built or stored: a cache of
// another version is stale.
constexpr uint32_t LEVEL_CACHE_VERSION = 4;
constexpr size_t LEVEL_CACHE_HEADER = 8 + 4 + 8 + 8 + 5 * 4 + 8;  // bytes before the payload
// No real cache comes near this many bytes a face (levels and bases hold a
// few corner ids a face): a larger file is not read into memory.
constexpr long long LEVEL_CACHE_MOST_BYTES_PER_FACE = 256;

namespace {

// The fields of the header that must match the installed terrain.
struct CacheKey {
    uint64_t terrain_size, terrain_hash;
    int32_t tile_faces, faces, vertices, tiles, nodes;
};

CacheKey current_key() {
    return CacheKey{level_cache_terrain_size, level_cache_terrain_hash, terrain_tile_faces, terrain_face_count,
                    terrain_vertex_count,     terrain_tile_count,       (int32_t)level_nodes.size()};
}

void put_bytes(std::vector<unsigned char>* out, const void* data, size_t size) {
    const unsigned char* bytes = (const unsigned char*)data;
    out->insert(out->end(), bytes, bytes + size);
}

template <typename T>
void put(std::vector<unsigned char>* out, T value) {
    put_bytes(out, &value, sizeof value);
}

void put_ids(std::vector<unsigned char>* out, const std::vector<int>& ids) {
    put(out, (uint32_t)ids.size());
    put_bytes(out, ids.data(), ids.size() * sizeof(int));
}

void put_level(std::vector<unsigned char>* out, const TerrainLevel& level) {
    put(out, level.error_across);
    put(out, level.error_up);
    put(out, level.skirt_up);
    put(out, level.lift_up);
    put_ids(out, level.corners);
    put_ids(out, level.skirt);
    put(out, (uint32_t)level.normal_corners.size());
    put_bytes(out, level.normal_corners.data(), level.normal_corners.size() * sizeof(int));
    put_bytes(out, level.normals.data(), level.normal_corners.size() * 3 * sizeof(float));
}

// Reads bytes off the front of a buffer; once anything is missing or out of
// bounds it stays failed and reads zeros.
struct Reader {
    const unsigned char* at;
    const unsigned char* end;
    bool ok = true;

    bool take(void* out, size_t size) {
        if (size == 0) return ok;  // an empty list's storage may be null
        if (!ok || (size_t)(end - at) < size) {
            ok = false;
            std::memset(out, 0, size);
            return false;
        }
        std::memcpy(out, at, size);
        at += size;
        return true;
    }
    template <typename T>
    T get() {
        T value;
        take(&value, sizeof value);
        return value;
    }
};

// A list of ids, each a corner of the mesh (0 .. 3 x faces - 1), whole triangles.
bool take_ids(Reader* in, std::vector<int>* ids) {
    uint32_t count = in->get<uint32_t>();
    if (!in->ok || count % 3 != 0 || (size_t)(in->end - in->at) / sizeof(int) < count) return in->ok = false;
    ids->resize(count);
    in->take(ids->data(), (size_t)count * sizeof(int));
    const long long corners = 3LL * terrain_face_count;
    for (int id : *ids)
        if (id < 0 || id >= corners) return in->ok = false;
    return true;
}

bool take_level(Reader* in, TerrainLevel* level) {
    float* amounts[4] = {&level->error_across, &level->error_up, &level->skirt_up, &level->lift_up};
    for (float* amount : amounts) {
        *amount = in->get<float>();
        if (!(std::isfinite(*amount) && *amount >= 0.0f)) return in->ok = false;
    }
    if (!take_ids(in, &level->corners) || !take_ids(in, &level->skirt)) return false;
    // Corners ascending, each of the mesh, with three finite numbers each.
    uint32_t count = in->get<uint32_t>();
    if (!in->ok || (size_t)(in->end - in->at) / (sizeof(int) + 3 * sizeof(float)) < count) return in->ok = false;
    level->normal_corners.resize(count);
    level->normals.resize(3 * (size_t)count);
    in->take(level->normal_corners.data(), (size_t)count * sizeof(int));
    in->take(level->normals.data(), (size_t)count * 3 * sizeof(float));
    const long long corners = 3LL * terrain_face_count;
    for (uint32_t i = 0; i < count; ++i) {
        int id = level->normal_corners[i];
        if (id < 0 || id >= corners || (i > 0 && id <= level->normal_corners[i - 1])) return in->ok = false;
    }
    for (float n : level->normals)
        if (!std::isfinite(n)) return in->ok = false;
    return true;
}

}  // namespace

bool make_level_cache_path(const char* path, char* out, size_t size) {
    if (size > 0) out[0] = '\0';
    size_t length = strlen(path);
    const size_t suffix = 4;  // ".dem"
    if (length <= suffix || strcmp(path + length - suffix, ".dem") != 0) return false;
    if (length - suffix + strlen(LEVEL_CACHE_EXTENSION) + 1 > size) return false;
    memcpy(out, path, length - suffix);
    strcpy(out + length - suffix, LEVEL_CACHE_EXTENSION);
    // The DEM menu lists every name holding ".dem": "a.dem.dem" keeps none.
    const char* name = strrchr(out, '/');
    if (strstr(name ? name : out, ".dem")) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool terrain_level_cache_wanted() {
    return level_cache_path[0] && terrain_face_count > level_cache_min_faces && terrain_levels_wanted() &&
           terrain_revision == level_cache_revision;
}

bool read_level_cache() {
    char error[256];
    int fd = open_regular_file(level_cache_path, "Level cache", error, sizeof error);
    if (fd < 0) return false;
    long long size = regular_file_size(fd);
    const long long most = LEVEL_CACHE_MOST_BYTES_PER_FACE * ((long long)terrain_face_count + (long long)level_nodes.size()) +
                           (long long)LEVEL_CACHE_HEADER + 8;
    std::vector<unsigned char> bytes;
    bool whole = size >= (long long)LEVEL_CACHE_HEADER + 8 && size <= most;
    if (whole) {
        bytes.resize((size_t)size);
        size_t done = 0;
        while (whole && done < bytes.size()) {
            ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got <= 0) whole = false;
            else done += (size_t)got;
        }
    }
    close(fd);
    if (!whole) return false;

    Reader in{bytes.data(), bytes.data() + bytes.size()};
    char magic[8];
    in.take(magic, sizeof magic);
    if (memcmp(magic, LEVEL_CACHE_MAGIC, sizeof magic) != 0 || in.get<uint32_t>() != LEVEL_CACHE_VERSION) return false;
    const CacheKey want = current_key();
    CacheKey got;
    got.terrain_size = in.get<uint64_t>();
    got.terrain_hash = in.get<uint64_t>();
    got.tile_faces = in.get<int32_t>();
    got.faces = in.get<int32_t>();
    got.vertices = in.get<int32_t>();
    got.tiles = in.get<int32_t>();
    got.nodes = in.get<int32_t>();
    if (got.terrain_size != want.terrain_size || got.terrain_hash != want.terrain_hash ||
        got.tile_faces != want.tile_faces || got.faces != want.faces || got.vertices != want.vertices ||
        got.tiles != want.tiles || got.nodes != want.nodes)
        return false;
    uint64_t payload = in.get<uint64_t>();
    if (!in.ok || payload != bytes.size() - LEVEL_CACHE_HEADER - 8) return false;
    uint64_t stored_hash;
    std::memcpy(&stored_hash, bytes.data() + bytes.size() - 8, 8);
    if (hash_content(in.at, (size_t)payload) != stored_hash) return false;

    Reader body{in.at, in.at + payload};
    std::vector<TerrainLevel> bases(level_nodes.size());
    std::vector<std::vector<TerrainLevel>> levels(level_nodes.size());
    for (size_t n = 0; n < level_nodes.size() && body.ok; ++n) {
        take_level(&body, &bases[n]);
        uint32_t count = body.get<uint32_t>();
        if (count > (uint32_t)TERRAIN_MAX_LEVELS || (count > 0 && bases[n].corners.empty())) body.ok = false;
        levels[n].resize(body.ok ? count : 0);
        for (TerrainLevel& level : levels[n])
            if (!take_level(&body, &level)) break;
    }
    if (!body.ok || body.at != body.end) return false;
    for (size_t n = 0; n < level_nodes.size(); ++n) {
        level_nodes[n].base = std::move(bases[n]);
        level_nodes[n].levels = std::move(levels[n]);
    }
    return true;
}

bool write_level_cache(char* error, size_t error_size) {
    std::vector<unsigned char> payload;
    for (const LevelNode& node : level_nodes) {
        put_level(&payload, node.base);
        put(&payload, (uint32_t)node.levels.size());
        for (const TerrainLevel& level : node.levels) put_level(&payload, level);
    }
    const CacheKey key = current_key();
    std::vector<unsigned char> header;
    put_bytes(&header, LEVEL_CACHE_MAGIC, sizeof LEVEL_CACHE_MAGIC);
    put(&header, LEVEL_CACHE_VERSION);
    put(&header, key.terrain_size);
    put(&header, key.terrain_hash);
    for (int32_t field : {key.tile_faces, key.faces, key.vertices, key.tiles, key.nodes}) put(&header, field);
    put(&header, (uint64_t)payload.size());
    WholeFile out;
    if (!begin_whole_file(level_cache_path, &out, error, error_size)) return false;
    append_whole_file(&out, header.data(), header.size());
    append_whole_file(&out, payload.data(), payload.size());
    const uint64_t hash = hash_content(payload.data(), payload.size());
    append_whole_file(&out, &hash, sizeof hash);
    return finish_whole_file(&out, error, error_size);
}

// Reading the terrain model file: counting pass, parsing pass, derived settings.
//
// The file is mapped once and both passes walk it in memory, each on two
// threads that take one part of the text each. Lines are taken
// in chunks of at most 99 characters (a longer line's rest counts as a line
// of its own) and scanned like "%s %f %f %f", "%s %f %f" and "%s %s %s %s"
// with "%d/%d/%d" corners, so files load exactly as they always have.
#include "files/terrain_file.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "files/parallel.h"
#include "files/regular_file.h"
#include "files/terrain_normals.h"

namespace {

// The bytes scanf treats as white space.
inline bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// End of the chunk that starts at p: through the next line feed, or 99 bytes.
// Lines are short, so 16 bytes at a time beats a library call per line.
inline const char* chunk_end(const char* p, const char* end) {
    size_t avail = (size_t)(end - p);
    size_t limit = avail < (size_t)TERRAIN_LINE_CHUNK ? avail : (size_t)TERRAIN_LINE_CHUNK;
    size_t i = 0;
#ifdef __SSE2__
    const __m128i line_feed = _mm_set1_epi8('\n');
    for (; i + 16 <= limit; i += 16) {
        __m128i bytes = _mm_loadu_si128((const __m128i*)(p + i));
        unsigned mask = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, line_feed));
        if (mask) return p + i + __builtin_ctz(mask) + 1;
    }
#endif
    for (; i < limit; ++i) {
        if (p[i] == '\n') return p + i + 1;
    }
    return p + limit;
}

inline void skip_space(const char*& p, const char* end) {
    while (p < end && is_space(*p)) ++p;
}

// Skips one "%s" word; a NUL ends the scannable text as it would in a C string.
inline bool skip_word(const char*& p, const char* end) {
    skip_space(p, end);
    const char* start = p;
    while (p < end && *p != '\0' && !is_space(*p)) ++p;
    return p > start;
}

// Slow path for what from_chars does not take as scanf does (hex, overflow).
bool scan_float_slow(const char*& p, const char* end, float* out) {
    char buffer[64];
    size_t n = 0;
    while (p + n < end && n < sizeof buffer - 1 && p[n] != '\0' && !is_space(p[n])) {
        buffer[n] = p[n];
        ++n;
    }
    buffer[n] = '\0';
    char* stop = nullptr;
    float value = strtof(buffer, &stop);
    if (stop == buffer || !std::isfinite(value)) return false;
    *out = value;
    p += stop - buffer;
    return true;
}

// One "%f": white space, then a float, correctly rounded as strtof would.
// A number that is not finite (nan, inf) or too large for a float is not
// taken: no position, extent or texel can be computed from it.
bool scan_float(const char*& p, const char* end, float* out) {
    skip_space(p, end);
    if (p >= end) return false;
    const char* q = p;
    bool negative = false;
    if (*q == '+' || *q == '-') {
        negative = *q == '-';
        ++q;
        if (q < end && (*q == '+' || *q == '-')) return false;
    }
    float value = 0.0f;
    std::from_chars_result r = std::from_chars(q, end, value);
    if (r.ec != std::errc() || (r.ptr < end && (*r.ptr == 'x' || *r.ptr == 'X'))) {
        return scan_float_slow(p, end, out);
    }
    if (!std::isfinite(value)) return false;
    *out = negative ? -value : value;
    p = r.ptr;
    return true;
}

// The value of the leading decimal digits of the 8 bytes at q, and how many
// there are (0 to 7; 8 means "eight or more", left to the byte loop). Bytes at
// or past `end` do not count.
inline int leading_digits(const char* q, const char* end, unsigned* value) {
    uint64_t bytes;
    memcpy(&bytes, q, 8);
    uint64_t high = (bytes & 0xF0F0F0F0F0F0F0F0ULL) ^ 0x3030303030303030ULL;
    uint64_t low = ((bytes & 0x0F0F0F0F0F0F0F0FULL) + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL;
    uint64_t other = high | low;  // non-zero in every byte that is not a digit
    size_t inside = (size_t)(end - q);
    if (inside < 8) other |= ~0ULL << (8 * inside);
    if (other == 0) return 8;
    int digits = __builtin_ctzll(other) / 8;
    if (digits == 0) return 0;
    // Right-align the digits as the last of eight (little-endian: first byte
    // most significant), then combine pairs, quads and halves.
    uint64_t v = (bytes & 0x0F0F0F0F0F0F0F0FULL) << (8 * (8 - digits));
    v = v * 10 + (v >> 8);
    v = ((v & 0x000000FF000000FFULL) * 0x000F424000000064ULL +
         ((v >> 16) & 0x000000FF000000FFULL) * 0x0000271000000001ULL) >> 32;
    *value = (unsigned)v;
    return digits;
}

// One "%d" inside a corner word; values beyond int are kept large so that the
// range check refuses them. Up to 8 bytes before `readable` may be looked at.
bool scan_corner_number(const char*& p, const char* end, const char* readable, long long* out) {
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
    if (q >= end || !is_digit(*q)) return false;
    long long value = 0;
    unsigned fast = 0;
    int digits = readable - q >= 8 ? leading_digits(q, end, &fast) : 8;
    if (digits < 8) {
        value = fast;
        q += digits;
    } else {
        while (q < end && is_digit(*q)) {
            if (value < 100000000000LL) value = value * 10 + (*q - '0');
            ++q;
        }
    }
    *out = negative ? -value : value;
    p = q;
    return true;
}

// One corner word "%d/%d/%d": all three numbers must be present. Whatever
// follows them in the word is passed over, as the scan leaves it. One pass
// over the characters: this is the loader's innermost loop.
bool scan_corner(const char*& p, const char* end, const char* readable, long long numbers[3]) {
    skip_space(p, end);
    const char* q = p;
    bool ok = scan_corner_number(q, end, readable, &numbers[0]);
    for (int k = 1; k < 3 && ok; ++k) {
        ok = q < end && *q == '/';
        if (ok) {
            ++q;
            ok = scan_corner_number(q, end, readable, &numbers[k]);
        }
    }
    while (q < end && *q != '\0' && !is_space(*q)) ++q;
    p = q;
    return ok;
}

const char* corner_part_name(int k) {
    static const char* names[3] = {"vertex", "texcoord", "normal"};
    return names[k];
}

// The first line start at or after `at` (or the end); the chunks restart at
// every line start.
size_t line_start_from(const char* data, size_t size, size_t at) {
    if (at >= size) return size;
    if (at == 0 || data[at - 1] == '\n') return at;
    const void* nl = memchr(data + at, '\n', size - at);
    return nl ? (size_t)((const char*)nl - data) + 1 : size;
}

// "%f" for a plain decimal of at most 7 digits, as terrain files write
// them: the digits make an exact float, 10^k is exact, and the one division
// rounds correctly, so the result is strtof's. Anything else goes to
// scan_float. Up to 8 bytes before `readable` may be looked at.
bool scan_float_fast(const char*& p, const char* end, const char* readable, float* out) {
    static const float powers[8] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
    static const unsigned scales[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    const char* q = p;
    while (q < end && is_space(*q)) ++q;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
    if (readable - q < 8) return scan_float(p, end, out);
    unsigned whole = 0, fraction = 0;
    int whole_digits = leading_digits(q, end, &whole), fraction_digits = 0;
    if (whole_digits == 8) return scan_float(p, end, out);
    q += whole_digits;
    if (q < end && *q == '.') {
        ++q;
        if (readable - q < 8) return scan_float(p, end, out);
        fraction_digits = leading_digits(q, end, &fraction);
        q += fraction_digits;
    }
    int digits = whole_digits + fraction_digits;
    bool plain = digits > 0 && digits <= 7 &&
                 !(q < end && (*q == 'e' || *q == 'E' || *q == 'x' || *q == 'X'));
    if (!plain) return scan_float(p, end, out);
    float value = (float)(whole * scales[fraction_digits] + fraction) / powers[fraction_digits];
    *out = negative ? -value : value;
    p = q;
    return true;
}

// What the counting pass tallies over a stretch of text.
struct LineKinds {
    long long vertices;      // chunks starting "v "
    long long texcoords;     // chunks starting "vt"
    long long faces;         // chunks starting "f "
    long line_feeds;
    long long number_bytes;  // bytes in "v " and "vt" chunks (their floats cost more to parse)
};

// Segments the counting pass tallies, so that the parsing parts can be cut
// where their work, not their bytes, is even.
constexpr int COUNT_SEGMENTS = 16;

// Tallies the chunk [c, e) by its first two characters.
inline void count_chunk(const char* c, const char* e, LineKinds* kinds) {
    if (e - c < 2) return;
    bool vertex = c[0] == 'v' && c[1] == ' ', texcoord = c[0] == 'v' && c[1] == 't';
    kinds->vertices += vertex;
    kinds->texcoords += texcoord;
    kinds->faces += c[0] == 'f' && c[1] == ' ';
    kinds->number_bytes += (vertex || texcoord) ? e - c : 0;
}

// Tallies the chunks of the line [line, end): 99 characters at a time.
inline void count_line_chunks(const char* line, const char* end, LineKinds* kinds) {
    for (const char* c = line; c < end; c += TERRAIN_LINE_CHUNK) {
        count_chunk(c, end - c > TERRAIN_LINE_CHUNK ? c + TERRAIN_LINE_CHUNK : end, kinds);
    }
}

// The counting pass over [begin, end), which starts a line: the same chunks
// chunk_end gives, found from the line feeds 16 bytes at a time.
LineKinds count_line_kinds(const char* begin, const char* end) {
    LineKinds kinds{0, 0, 0, 0, 0};
    const char* line = begin;
    const char* p = begin;
#ifdef __SSE2__
    const __m128i line_feed = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        unsigned mask = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)p), line_feed));
        while (mask) {
            const char* after = p + __builtin_ctz(mask) + 1;
            count_line_chunks(line, after, &kinds);
            ++kinds.line_feeds;
            line = after;
            mask &= mask - 1;
        }
    }
#endif
    for (; p < end; ++p) {
        if (*p != '\n') continue;
        count_line_chunks(line, p + 1, &kinds);
        ++kinds.line_feeds;
        line = p + 1;
    }
    count_line_chunks(line, end, &kinds);
    return kinds;
}

// From face `face` on, the faces were read after `vertices` vertex lines.
struct FacesSeen {
    int face;      // 0-based
    int vertices;  // vertex records filled before that face's line
};

// One part of the text and what parsing it found.
// Bytes a pass reads from a mapped file before it hands back the pages behind it.
constexpr size_t TEXT_RELEASE_BYTES = 16u << 20;

struct TerrainPart {
    const TerrainText* mapped = nullptr;  // the mapped text to hand back pages of as the part is read; null: none
    const char* begin;   // first byte (a line start)
    const char* end;     // one past the last
    int vertex_start;    // vertex records filled by earlier parts
    int texcoord_start;  // "vt" lines of earlier parts
    int face_start;      // faces of earlier parts
    long line_start;     // line number of the part's first line
    bool ok = true;                   // false: `error` names the first line it refused
    char error[TERRAIN_ERROR_SIZE];   // message for that line
    int faces_parsed = 0;             // faces stored before the refused line (or all)
    std::vector<FacesSeen> seen;      // where the vertex lines read so far changed, for the face normals
};

// Parses one part into the shared arrays; its records do not overlap another
// part's. Stops at the first line it refuses.
void parse_terrain_part(const char* name, TerrainParse* parse, TerrainPart* part) {
    TerrainVertex* vertices = parse->vertices;
    TerrainFace* faces = parse->faces;
    const int vertex_count = parse->vertex_count;
    const int face_count = parse->face_count;
    int parse_vertex_index = part->vertex_start, parse_texcoord_index = part->texcoord_start;
    int parse_face_index = part->face_start;
    long line = part->line_start;
    char* error = part->error;
    const size_t error_size = sizeof part->error;
    bool ok = true;

    const char* p = part->begin;
    const char* end = part->end;
    const char* released = p;
    while (p < end && ok) {
        if (part->mapped && (size_t)(p - released) >= TEXT_RELEASE_BYTES) {
            release_terrain_text_pages(part->mapped, released, p);
            released = p;
        }
        const char* next = chunk_end(p, end);
        if (next - p >= 2) {
            const char* q = p;
            if (p[0] == 'v' && p[1] == ' ') {
                if (parse_vertex_index >= vertex_count) break;  // the count pass saw the same chunks
                TerrainVertex* v = &vertices[parse_vertex_index];
                skip_word(q, next);
                if (!scan_float_fast(q, next, end, &v->x) || !scan_float_fast(q, next, end, &v->y) ||
                    !scan_float_fast(q, next, end, &v->z)) {
                    snprintf(error, error_size,
                             "%s line %ld: a vertex line needs three finite numbers (x y z) that fit a float", name,
                             line);
                    ok = false;
                    break;
                }
                ++parse_vertex_index;
            } else if (p[0] == 'v' && p[1] == 't') {
                if (parse_texcoord_index >= vertex_count) {
                    snprintf(error, error_size, "%s line %ld: more \"vt\" lines than vertices (%d)", name, line, vertex_count);
                    ok = false;
                    break;
                }
                TerrainVertex* v = &vertices[parse_texcoord_index];
                skip_word(q, next);
                if (!scan_float_fast(q, next, end, &v->s) || !scan_float_fast(q, next, end, &v->t)) {
                    snprintf(error, error_size,
                             "%s line %ld: a texture coordinate line needs two finite numbers (s t) that fit a float",
                             name, line);
                    ok = false;
                    break;
                }
                ++parse_texcoord_index;
            } else if (p[0] == 'f' && p[1] == ' ') {
                if (parse_face_index >= face_count) break;
                TerrainFace* f = &faces[parse_face_index];
                skip_word(q, next);
                for (int c = 0; c < 3 && ok; ++c) {
                    long long numbers[3];
                    if (!scan_corner(q, next, end, numbers)) {
                        snprintf(error, error_size,
                                 "%s line %ld: face corner %d needs three numbers vertex/texcoord/normal",
                                 name, line, c + 1);
                        ok = false;
                        break;
                    }
                    for (int k = 0; k < 3; ++k) {
                        if (numbers[k] < 1 || numbers[k] > vertex_count) {
                            snprintf(error, error_size, "%s line %ld: face corner %d has %s number %lld, outside 1..%d",
                                     name, line, c + 1, corner_part_name(k), numbers[k], vertex_count);
                            ok = false;
                            break;
                        }
                    }
                    f->corners[c].vertex = (int)numbers[0];
                    f->corners[c].texcoord = (int)numbers[1];
                    f->corners[c].normal = (int)numbers[2];
                }
                if (!ok) break;
                if (part->seen.empty() || part->seen.back().vertices != parse_vertex_index)
                    part->seen.push_back(FacesSeen{parse_face_index, parse_vertex_index});
                ++parse_face_index;
            }
        }
        if (next[-1] == '\n') ++line;
        p = next;
    }
    part->ok = ok;
    part->faces_parsed = parse_face_index - part->face_start;
}

// The line of face `face` (stored by one of the parts).
long line_of_face(const TerrainPart* parts, int part_count, int face) {
    for (int i = part_count - 1; i >= 0; --i) {
        const TerrainPart& part = parts[i];
        if (face < part.face_start) continue;
        int wanted = face - part.face_start;
        long line = part.line_start;
        for (const char* p = part.begin; p < part.end;) {
            const char* next = chunk_end(p, part.end);
            if (next - p >= 2 && p[0] == 'f' && p[1] == ' ' && wanted-- == 0) return line;
            if (next[-1] == '\n') ++line;
            p = next;
        }
    }
    return 0;
}

// The first ninth face entered at some vertex, by face and corner; face -1 if none.
struct FaceOverflow {
    int face;
    int corner;
};

// The normal of `face` from the positions as they stood when its line was
// read: a corner naming a vertex whose line comes later counts as the origin.
void set_parsed_face_normal(const TerrainVertex* vertices, int filled, TerrainFace* face) {
    float corners[9] = {};
    for (int c = 0; c < 3; ++c) {
        int i = face->corners[c].vertex - 1;
        if (i >= filled) continue;
        corners[c * 3 + 0] = vertices[i].x;
        corners[c * 3 + 1] = vertices[i].y;
        corners[c * 3 + 2] = vertices[i].z;
    }
    float n[3];
    face_normal(corners, n);
    face->nx = n[0];
    face->ny = n[1];
    face->nz = n[2];
}

// Enters faces 0 .. face_count - 1 in the face lists of their corner
// vertices, corner 0 first, in face order. Each thread owns a range of
// vertices and walks all faces, so every list holds its faces in file order;
// on the way it sets the normals of its share of the faces, unless
// `normals` is false (a refused file needs none).
FaceOverflow list_vertex_faces(TerrainParse* parse, int face_count, const std::vector<FacesSeen>& seen,
                               bool normals) {
    FaceOverflow found[MOST_PARALLEL_PARTS];
    run_parallel_parts([&](int part) {
        int lo, hi, normals_lo, normals_hi;
        parallel_share(parse->vertex_count, part, &lo, &hi);
        parallel_share(normals ? face_count : 0, part, &normals_lo, &normals_hi);
        size_t s = 0;
        while (s + 1 < seen.size() && seen[s + 1].face <= normals_lo) ++s;
        found[part] = FaceOverflow{-1, 0};
        for (int f = 0; f < face_count; ++f) {
            TerrainFace& face = parse->faces[f];
            if (f >= normals_lo && f < normals_hi) {
                while (s + 1 < seen.size() && seen[s + 1].face <= f) ++s;
                set_parsed_face_normal(parse->vertices, seen.empty() ? 0 : seen[s].vertices, &face);
            }
            for (int c = 0; c < 3; ++c) {
                int i = face.corners[c].vertex - 1;
                if (i < lo || i >= hi) continue;
                if (!add_vertex_face(&parse->vertices[i], f)) {
                    found[part] = FaceOverflow{f, c};
                    return;
                }
            }
        }
    }, face_count);
    FaceOverflow first{-1, 0};
    for (int part = 0; part < count_parallel_parts(); ++part) {
        const FaceOverflow& o = found[part];
        if (o.face < 0) continue;
        if (first.face < 0 || o.face < first.face || (o.face == first.face && o.corner < first.corner)) first = o;
    }
    return first;
}

// The extents start at 0 on every axis and widen with strict comparisons,
// so the parts' extents combine into those of a single pass.
void set_parse_extents(TerrainParse* parse) {
    float extents[MOST_PARALLEL_PARTS][6];
    run_parallel_parts([&](int part) {
        float min_x = 0, max_x = 0, min_y = 0, max_y = 0, min_z = 0, max_z = 0;
        int first, end;
        parallel_share(parse->vertex_count, part, &first, &end);
        for (int i = first; i < end; ++i) {
            const TerrainVertex* v = &parse->vertices[i];
            if (v->x > max_x) max_x = v->x;
            if (v->z > max_z) max_z = v->z;
            if (v->x < min_x) min_x = v->x;
            if (v->z < min_z) min_z = v->z;
            if (v->y < min_y) min_y = v->y;
            if (v->y > max_y) max_y = v->y;
        }
        float* e = extents[part];
        e[0] = min_x;
        e[1] = max_x;
        e[2] = min_y;
        e[3] = max_y;
        e[4] = min_z;
        e[5] = max_z;
    }, parse->vertex_count);
    float e[6] = {0, 0, 0, 0, 0, 0};
    for (int p = 0; p < count_parallel_parts(); ++p) {
        const float* part = extents[p];
        for (int k = 0; k < 6; k += 2) {
            if (part[k] < e[k]) e[k] = part[k];
            if (part[k + 1] > e[k + 1]) e[k + 1] = part[k + 1];
        }
    }
    parse->min_x = e[0];
    parse->max_x = e[1];
    parse->min_y = e[2];
    parse->max_y = e[3];
    parse->min_z = e[4];
    parse->max_z = e[5];
}

}  // namespace

bool open_terrain_text(const char* path, TerrainText* text, char* error, size_t error_size) {
    *text = TerrainText{"", 0, nullptr, 0};
    char ignored[TERRAIN_ERROR_SIZE];
    if (!error) {
        error = ignored;
        error_size = sizeof ignored;
    }
    int fd = open_regular_file(path, "DEM file", error, error_size);
    if (fd < 0) return false;
    long long file_size = regular_file_size(fd);
    if (file_size < 0) {
        close(fd);
        snprintf(error, error_size, "DEM file not found %s", path);
        return false;
    }
    size_t size = (size_t)file_size;
    if (size == 0) {
        close(fd);
        return true;
    }
    // Not populated: the passes map what they read and hand it back behind them.
    void* mapping = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (mapping == MAP_FAILED) {
        snprintf(error, error_size, "DEM file not found %s", path);
        return false;
    }
    madvise(mapping, size, MADV_SEQUENTIAL);
    *text = TerrainText{(const char*)mapping, size, mapping, size};
    return true;
}

void release_terrain_text_pages(const TerrainText* text, const char* from, const char* to) {
    if (!text || !text->mapping || !(from < to)) return;
    const uintptr_t page = (uintptr_t)sysconf(_SC_PAGESIZE);
    const uintptr_t base = (uintptr_t)text->mapping, limit = base + text->mapping_size;
    uintptr_t first = ((uintptr_t)from + page - 1) / page * page, last = (uintptr_t)to / page * page;
    if (first < base) first = base;
    if (last > limit) last = limit;
    // Clean pages of a private file mapping: dropped, not lost.
    if (first < last) madvise((void*)first, last - first, MADV_DONTNEED);
}

void close_terrain_text(TerrainText* text) {
    if (text->mapping) munmap(text->mapping, text->mapping_size);
    *text = TerrainText{"", 0, nullptr, 0};
}

bool count_terrain_lines(const char* data, size_t size, size_t cut, TerrainCounts* counts, const TerrainText* mapped) {
    *counts = TerrainCounts{};
    const int parts = count_parallel_parts();
    counts->parts = parts;
    // Segments at line starts; with a given cut, one segment per part.
    bool balanced = cut == TERRAIN_CUT_BALANCED;
    const int segments = balanced ? COUNT_SEGMENTS : parts;
    size_t segment_start[COUNT_SEGMENTS + 1];
    segment_start[0] = 0;
    for (int k = 1; k < segments; ++k) {
        size_t at = balanced ? (size_t)((double)size * k / segments) : (cut > size / k ? size : cut * k);
        segment_start[k] = std::max(segment_start[k - 1], line_start_from(data, size, at));
    }
    segment_start[segments] = size;
    LineKinds kinds[COUNT_SEGMENTS];
    run_parallel_parts([&](int part) {
        int first, end;
        parallel_share(segments, part, &first, &end);
        for (int k = first; k < end; ++k) {
            kinds[k] = count_line_kinds(data + segment_start[k], data + segment_start[k + 1]);
            release_terrain_text_pages(mapped, data + segment_start[k], data + segment_start[k + 1]);
        }
    }, (long long)size);

    // Each part takes whole segments, up to its share of the work: floats
    // cost about half as much again per byte as face corners.
    double work[COUNT_SEGMENTS], total_work = 0;
    for (int k = 0; k < segments; ++k) {
        work[k] = (double)(segment_start[k + 1] - segment_start[k]) + 0.5 * (double)kinds[k].number_bytes;
        total_work += work[k];
    }
    long long vertices[TERRAIN_TEXT_PARTS] = {}, texcoords[TERRAIN_TEXT_PARTS] = {}, faces[TERRAIN_TEXT_PARTS] = {};
    double done = 0;
    int part = 0;
    counts->part_start[0] = 0;
    for (int k = 0; k < segments; ++k) {
        if (!balanced) part = k;
        else if (part + 1 < parts && done + work[k] / 2 > total_work * (part + 1) / parts) {
            // Half of this segment's work lies beyond the share: start the next part here.
            ++part;
            counts->part_start[part] = segment_start[k];
        }
        if (!balanced) counts->part_start[part] = segment_start[k];
        vertices[part] += kinds[k].vertices;
        texcoords[part] += kinds[k].texcoords;
        faces[part] += kinds[k].faces;
        counts->line_feeds[part] += kinds[k].line_feeds;
        done += work[k];
    }
    for (int p = part + 1; p <= parts; ++p) counts->part_start[p] = size;

    long long vertex_total = 0, face_total = 0;
    for (int p = 0; p < parts; ++p) {
        vertex_total += vertices[p];
        face_total += faces[p];
        if (texcoords[p] > INT_MAX) return false;
    }
    if (vertex_total > INT_MAX || face_total > INT_MAX) return false;
    for (int p = 0; p < parts; ++p) {
        counts->vertices[p] = (int)vertices[p];
        counts->texcoords[p] = (int)texcoords[p];
        counts->faces[p] = (int)faces[p];
    }
    counts->vertex_count = (int)vertex_total;
    counts->face_count = (int)face_total;
    return true;
}

bool check_terrain_counts(size_t size, int vertex_count, int face_count, const char* name, char* error,
                          size_t error_size) {
    if (vertex_count == 0 || face_count == 0) {
        snprintf(error, error_size, "%s is not a terrain: it has %d vertices and %d faces", name, vertex_count,
                 face_count);
        return false;
    }
    // Each counted line must have room for what the parse will ask of it; a
    // file of bare "v " lines would otherwise make the arrays many times the
    // size of the file before the parse refused its first line. Small arrays
    // are left to the parse, whose message names the faulty line.
    unsigned long long arrays = (unsigned long long)vertex_count * sizeof(TerrainVertex) +
                                (unsigned long long)face_count * sizeof(TerrainFace);
    unsigned long long least = (unsigned long long)vertex_count * TERRAIN_LEAST_VERTEX_LINE +
                               (unsigned long long)face_count * TERRAIN_LEAST_FACE_LINE;
    if (arrays > TERRAIN_SMALL_ARRAYS && least > size) {
        snprintf(error, error_size, "%s: %d vertex and %d face lines cannot fit in its %zu bytes", name,
                 vertex_count, face_count, size);
        return false;
    }
    return true;
}

bool allocate_terrain_parse(TerrainParse* parse, int vertex_count, int face_count) {
    *parse = TerrainParse{};
    // calloc: lines that never fill a field leave it 0, not garbage.
    TerrainVertex* vertices = (TerrainVertex*)calloc(vertex_count > 0 ? (size_t)vertex_count : 1, sizeof(TerrainVertex));
    TerrainFace* faces = (TerrainFace*)calloc(face_count > 0 ? (size_t)face_count : 1, sizeof(TerrainFace));
    if (!vertices || !faces) {
        free(vertices);
        free(faces);
        return false;
    }
    parse->vertices = vertices;
    parse->faces = faces;
    parse->vertex_count = vertex_count;
    parse->face_count = face_count;
    return true;
}

bool parse_terrain_lines(const char* data, size_t size, const char* name, const TerrainCounts* counts,
                         TerrainParse* parse, char* error, size_t error_size, const TerrainText* mapped) {
    const int part_count = counts->parts;
    assert(part_count == count_parallel_parts() && counts->part_start[part_count] == size);
    (void)size;
    TerrainPart parts[TERRAIN_TEXT_PARTS];
    int vertex_start = 0, texcoord_start = 0, face_start = 0;
    long line_start = 1;
    for (int part = 0; part < part_count; ++part) {
        TerrainPart& t = parts[part];
        t.mapped = mapped;
        t.begin = data + counts->part_start[part];
        t.end = data + counts->part_start[part + 1];
        t.vertex_start = vertex_start;
        t.texcoord_start = texcoord_start;
        t.face_start = face_start;
        t.line_start = line_start;
        vertex_start += counts->vertices[part];
        texcoord_start += counts->texcoords[part];
        face_start += counts->faces[part];
        line_start += counts->line_feeds[part];
    }
    run_parallel_parts([&](int part) {
        parse_terrain_part(name, parse, &parts[part]);
        release_terrain_text_pages(mapped, parts[part].begin, parts[part].end);
    }, (long long)size);

    // The first refused line in the file ends the load, unless a face before
    // it already gave some vertex a ninth face.
    const TerrainPart* refused = nullptr;
    int listed_faces = parse->face_count;
    for (int part = 0; part < part_count; ++part) {
        const TerrainPart& t = parts[part];
        if (!t.ok) {
            refused = &t;
            listed_faces = t.face_start + t.faces_parsed;
            break;
        }
    }
    std::vector<FacesSeen> seen;
    for (int part = 0; part < part_count; ++part) seen.insert(seen.end(), parts[part].seen.begin(), parts[part].seen.end());
    FaceOverflow overflow = list_vertex_faces(parse, listed_faces, seen, refused == nullptr);
    if (overflow.face >= 0) {
        long line = line_of_face(parts, part_count, overflow.face);
        snprintf(error, error_size, "%s line %ld: vertex %d would belong to a ninth face\n%s", name, line,
                 parse->faces[overflow.face].corners[overflow.corner].vertex,
                 overflow.corner == 0 ? "MORE THAN 8 faces per vertex...model type unsuitable" : "This is the error");
        return false;
    }
    if (refused) {
        snprintf(error, error_size, "%s", refused->error);
        return false;
    }
    set_parse_extents(parse);
    return true;
}

bool begin_terrain_read(const char* path, TerrainRead* read, char* error, size_t error_size) {
    *read = TerrainRead{};
    read->path = path;
    if (!open_terrain_text(path, &read->text, error, error_size)) return false;
    if (!count_terrain_lines(read->text.data, read->text.size, TERRAIN_CUT_BALANCED, &read->counts, &read->text)) {
        snprintf(error, error_size, "%s holds more lines than a terrain can have", path);
        end_terrain_read(read);
        return false;
    }
    read->vertex_count = read->counts.vertex_count;
    read->face_count = read->counts.face_count;
    if (!check_terrain_counts(read->text.size, read->vertex_count, read->face_count, path, error, error_size)) {
        end_terrain_read(read);
        return false;
    }
    return true;
}

bool parse_terrain_read(TerrainRead* read, TerrainParse* parse, char* error, size_t error_size) {
    if (!allocate_terrain_parse(parse, read->vertex_count, read->face_count)) {
        snprintf(error, error_size, "COULD NOT ALLOCATE MEMORY!");
        return false;
    }
    if (!parse_terrain_lines(read->text.data, read->text.size, read->path, &read->counts, parse, error, error_size,
                             &read->text)) {
        free_terrain_parse(parse);
        return false;
    }
    return true;
}

void end_terrain_read(TerrainRead* read) { close_terrain_text(&read->text); }

bool read_terrain_file(const char* path, TerrainParse* parse, char* error, size_t error_size) {
    *parse = TerrainParse{};
    TerrainRead read;
    if (!begin_terrain_read(path, &read, error, error_size)) return false;
    bool ok = parse_terrain_read(&read, parse, error, error_size);
    end_terrain_read(&read);
    if (ok) average_vertex_normals(parse->vertices, parse->vertex_count, parse->faces, parse->face_count);
    return ok;
}

void free_terrain_parse(TerrainParse* parse) {
    free(parse->vertices);
    free(parse->faces);
    *parse = TerrainParse{};
}

// Reading the terrain model file: counting pass, parsing pass, derived settings.
//
// The file is mapped once and both passes walk it in memory. Lines are taken
// in chunks of at most 99 characters (a longer line's rest counts as a line
// of its own) and scanned like "%s %f %f %f", "%s %f %f" and "%s %s %s %s"
// with "%d/%d/%d" corners, so files load exactly as they always have.
#include "terrain/terrain_file.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/regular_file.h"
#include "terrain/normals.h"

namespace {

// The bytes scanf treats as white space.
inline bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// End of the chunk that starts at p: through the next line feed, or 99 bytes.
inline const char* chunk_end(const char* p, const char* end) {
    size_t avail = (size_t)(end - p);
    size_t limit = avail < (size_t)TERRAIN_LINE_CHUNK ? avail : (size_t)TERRAIN_LINE_CHUNK;
    const void* nl = memchr(p, '\n', limit);
    return nl ? (const char*)nl + 1 : p + limit;
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

// One "%d" inside a corner word; values beyond int are kept large so that the
// range check refuses them.
bool scan_corner_number(const char*& p, const char* end, long long* out) {
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
    if (q >= end || !is_digit(*q)) return false;
    long long value = 0;
    while (q < end && is_digit(*q)) {
        if (value < 100000000000LL) value = value * 10 + (*q - '0');
        ++q;
    }
    *out = negative ? -value : value;
    p = q;
    return true;
}

// One corner word "%d/%d/%d": all three numbers must be present. Whatever
// follows them in the word is passed over, as the scan leaves it. One pass
// over the characters: this is the loader's innermost loop.
bool scan_corner(const char*& p, const char* end, long long numbers[3]) {
    skip_space(p, end);
    const char* q = p;
    bool ok = scan_corner_number(q, end, &numbers[0]);
    for (int k = 1; k < 3 && ok; ++k) {
        ok = q < end && *q == '/';
        if (ok) {
            ++q;
            ok = scan_corner_number(q, end, &numbers[k]);
        }
    }
    while (q < end && *q != '\0' && !is_space(*q)) ++q;
    p = q;
    return ok;
}

// Truncates toward zero into an int, saturating instead of overflowing.
int truncate_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= (double)INT_MAX) return INT_MAX;
    if (value <= -(double)INT_MAX) return -INT_MAX;  // keeps abs() defined
    return (int)value;
}

int speed_from_range(int range) {
    int speed = truncate_to_int(range / 10.0);
    return speed < 10 ? 2 : speed;
}

const char* corner_part_name(int k) {
    static const char* names[3] = {"vertex", "texcoord", "normal"};
    return names[k];
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
    void* mapping = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    close(fd);
    if (mapping == MAP_FAILED) {
        snprintf(error, error_size, "DEM file not found %s", path);
        return false;
    }
    madvise(mapping, size, MADV_SEQUENTIAL);
    *text = TerrainText{(const char*)mapping, size, mapping, size};
    return true;
}

void close_terrain_text(TerrainText* text) {
    if (text->mapping) munmap(text->mapping, text->mapping_size);
    *text = TerrainText{"", 0, nullptr, 0};
}

bool count_terrain_lines(const char* data, size_t size, int* vertex_count, int* face_count) {
    long long vertices = 0, faces = 0;
    const char* p = data;
    const char* end = data + size;
    while (p < end) {
        const char* next = chunk_end(p, end);
        if (next - p >= 2 && p[1] == ' ') {
            if (p[0] == 'v') ++vertices;
            else if (p[0] == 'f') ++faces;
        }
        p = next;
    }
    if (vertices > INT_MAX || faces > INT_MAX) return false;
    *vertex_count = (int)vertices;
    *face_count = (int)faces;
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

bool parse_terrain_lines(const char* data, size_t size, const char* name,
                         TerrainParse* parse, char* error, size_t error_size) {
    TerrainVertex* vertices = parse->vertices;
    TerrainFace* faces = parse->faces;
    const int vertex_count = parse->vertex_count;
    const int face_count = parse->face_count;
    int parse_vertex_index = 0, parse_texcoord_index = 0, parse_face_index = 0;
    long line = 1;

    const char* p = data;
    const char* end = data + size;
    while (p < end) {
        const char* next = chunk_end(p, end);
        if (next - p >= 2) {
            const char* q = p;
            if (p[0] == 'v' && p[1] == ' ') {
                if (parse_vertex_index >= vertex_count) break;  // the count pass saw the same chunks
                TerrainVertex* v = &vertices[parse_vertex_index];
                skip_word(q, next);
                if (!scan_float(q, next, &v->x) || !scan_float(q, next, &v->y) || !scan_float(q, next, &v->z)) {
                    snprintf(error, error_size,
                             "%s line %ld: a vertex line needs three finite numbers (x y z) that fit a float", name,
                             line);
                    return false;
                }
                ++parse_vertex_index;
            } else if (p[0] == 'v' && p[1] == 't') {
                if (parse_texcoord_index >= vertex_count) {
                    snprintf(error, error_size, "%s line %ld: more \"vt\" lines than vertices (%d)", name, line, vertex_count);
                    return false;
                }
                TerrainVertex* v = &vertices[parse_texcoord_index];
                skip_word(q, next);
                if (!scan_float(q, next, &v->s) || !scan_float(q, next, &v->t)) {
                    snprintf(error, error_size,
                             "%s line %ld: a texture coordinate line needs two finite numbers (s t) that fit a float",
                             name, line);
                    return false;
                }
                ++parse_texcoord_index;
            } else if (p[0] == 'f' && p[1] == ' ') {
                if (parse_face_index >= face_count) break;
                TerrainFace* f = &faces[parse_face_index];
                skip_word(q, next);
                for (int c = 0; c < 3; ++c) {
                    long long numbers[3];
                    if (!scan_corner(q, next, numbers)) {
                        snprintf(error, error_size,
                                 "%s line %ld: face corner %d needs three numbers vertex/texcoord/normal",
                                 name, line, c + 1);
                        return false;
                    }
                    for (int k = 0; k < 3; ++k) {
                        if (numbers[k] < 1 || numbers[k] > vertex_count) {
                            snprintf(error, error_size, "%s line %ld: face corner %d has %s number %lld, outside 1..%d",
                                     name, line, c + 1, corner_part_name(k), numbers[k], vertex_count);
                            return false;
                        }
                    }
                    f->corners[c].vertex = (int)numbers[0];
                    f->corners[c].texcoord = (int)numbers[1];
                    f->corners[c].normal = (int)numbers[2];
                }
                compute_face_normal(vertices, f);
                for (int c = 0; c < 3; ++c) {
                    int vertex_number = f->corners[c].vertex;
                    if (!add_vertex_face(&vertices[vertex_number - 1], parse_face_index)) {
                        snprintf(error, error_size, "%s line %ld: vertex %d would belong to a ninth face\n%s", name, line,
                                 vertex_number,
                                 c == 0 ? "MORE THAN 8 faces per vertex...model type unsuitable" : "This is the error");
                        return false;
                    }
                }
                ++parse_face_index;
            }
        }
        if (next[-1] == '\n') ++line;
        p = next;
    }

    float min_x = 0, max_x = 0, min_y = 0, max_y = 0, min_z = 0, max_z = 0;
    for (int i = 0; i < vertex_count; ++i) {
        const TerrainVertex* v = &vertices[i];
        if (v->x > max_x) max_x = v->x;
        if (v->z > max_z) max_z = v->z;
        if (v->x < min_x) min_x = v->x;
        if (v->z < min_z) min_z = v->z;
        if (v->y < min_y) min_y = v->y;
        if (v->y > max_y) max_y = v->y;
    }
    parse->min_x = min_x;
    parse->max_x = max_x;
    parse->min_y = min_y;
    parse->max_y = max_y;
    parse->min_z = min_z;
    parse->max_z = max_z;
    return true;
}

bool begin_terrain_read(const char* path, TerrainRead* read, char* error, size_t error_size) {
    *read = TerrainRead{};
    read->path = path;
    if (!open_terrain_text(path, &read->text, error, error_size)) return false;
    if (!count_terrain_lines(read->text.data, read->text.size, &read->vertex_count, &read->face_count)) {
        snprintf(error, error_size, "%s holds more lines than a terrain can have", path);
        end_terrain_read(read);
        return false;
    }
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
    if (!parse_terrain_lines(read->text.data, read->text.size, read->path, parse, error, error_size)) {
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

TerrainSettings derive_terrain_settings(float min_x, float max_x, float min_y, float max_y) {
    TerrainSettings s;
    s.width_range = std::abs(truncate_to_int((double)(max_x - min_x)));
    s.move_speed = speed_from_range(s.width_range);
    s.height_range = std::abs(truncate_to_int((double)(max_y - min_y)));
    s.height_step = speed_from_range(s.height_range);
    s.marker_radius = max_x / 300.0f;
    s.fog_end = max_x * 5.0f / 6.0f;
    s.light_y = max_y + 50.0f;
    return s;
}

// Writing terrain model files in the loader's format, fast enough for millions of faces.
#include "files/terrain_writer.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

constexpr double TWO_TO_52 = 4503599627370496.0;  // below this every double is a multiple of 1/2 or finer
constexpr const char* DUMP_HEADER = "# Kestrolane DEM\n";

namespace {

const double POWERS_OF_TEN[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
const unsigned long long UNITS_OF_TEN[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// "00" to "99", for writing two digits at a time.
struct DigitPairs {
    char text[200];
    DigitPairs() {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = (char)('0' + i / 10);
            text[2 * i + 1] = (char)('0' + i % 10);
        }
    }
};
const DigitPairs PAIRS;

// Rounds to an integer, half to even, as the default rounding mode does:
// adding and taking away 2^52 leaves no bits below the point. |x| < 2^52.
inline double round_half_even(double x) { return x >= 0.0 ? (x + TWO_TO_52) - TWO_TO_52 : (x - TWO_TO_52) + TWO_TO_52; }

// Writes exactly `digits` decimal digits of n (leading zeros kept).
inline char* format_digits(char* out, unsigned long long n, int digits) {
    char* p = out + digits;
    for (int left = digits; left >= 2; left -= 2) {
        p -= 2;
        memcpy(p, PAIRS.text + 2 * (n % 100), 2);
        n /= 100;
    }
    if (digits & 1) *--p = (char)('0' + n % 10);
    return out + digits;
}

inline int count_digits(unsigned long long n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

inline char* format_unsigned(char* out, unsigned long long n) {
    const int digits = count_digits(n);
    char* p = out + digits;
    while (n >= 100) {
        p -= 2;
        memcpy(p, PAIRS.text + 2 * (n % 100), 2);
        n /= 100;
    }
    if (n >= 10) {
        p -= 2;
        memcpy(p, PAIRS.text + 2 * n, 2);
    } else {
        *--p = (char)('0' + n);
    }
    return out + digits;
}

inline char* format_int(char* out, int n) {
    if (n < 0) {
        *out++ = '-';
        return format_unsigned(out, (unsigned long long)(-(long long)n));
    }
    return format_unsigned(out, (unsigned long long)n);
}

// One grid number: like format_fixed, but never "-0".
inline char* format_grid_number(char* out, double value, int decimals) {
    if (std::fabs(value) < 0.5 / POWERS_OF_TEN[decimals]) value = 0.0;
    return format_fixed(out, value, decimals);
}

// One face corner group "a/a/a": the same number for vertex, texture coordinate and normal.
inline char* format_same_corner(char* out, unsigned long vertex) {
    char* end = format_unsigned(out, vertex);
    const size_t n = (size_t)(end - out);
    *end = '/';
    memcpy(end + 1, out, n);
    end[n + 1] = '/';
    memcpy(end + n + 2, out, n);
    return end + 2 * n + 2;
}

inline char* format_same_face(char* out, unsigned long a, unsigned long b, unsigned long c) {
    *out++ = 'f';
    *out++ = ' ';
    out = format_same_corner(out, a);
    *out++ = ' ';
    out = format_same_corner(out, b);
    *out++ = ' ';
    out = format_same_corner(out, c);
    *out++ = '\n';
    return out;
}

inline bool is_finite3(float a, float b, float c) { return std::isfinite(a) && std::isfinite(b) && std::isfinite(c); }

// One "<tag> %f %f[ %f]\n" line of a vertex record; false when a number is
// not finite or the line would be longer than the loader reads whole.
bool put_float_line(WholeFile* out, const char* tag, float a, float b, const float* c) {
    if (!is_finite3(a, b, c ? *c : 0.0f)) return false;
    char* line = reserve_whole_file(out, WHOLE_FILE_LINE);
    char* p = line;
    while (*tag) *p++ = *tag++;
    *p++ = ' ';
    p = format_fixed(p, a, 6);
    *p++ = ' ';
    p = format_fixed(p, b, 6);
    if (c) {
        *p++ = ' ';
        p = format_fixed(p, *c, 6);
    }
    *p++ = '\n';
    if (p - line > TERRAIN_LONGEST_LINE) return false;
    advance_whole_file(out, p);
    return true;
}

bool put_face_line(WholeFile* out, const TerrainFace& face) {
    char* line = reserve_whole_file(out, WHOLE_FILE_LINE);
    char* p = line;
    *p++ = 'f';
    for (const TerrainCorner& c : face.corners) {
        *p++ = ' ';
        p = format_int(p, c.vertex);
        *p++ = '/';
        p = format_int(p, c.texcoord);
        *p++ = '/';
        p = format_int(p, c.normal);
    }
    *p++ = '\n';
    if (p - line > TERRAIN_LONGEST_LINE) return false;
    advance_whole_file(out, p);
    return true;
}

bool refuse_mesh(WholeFile* out, const char* what, int number, char* error, size_t error_size) {
    snprintf(error, error_size,
             "Cannot write %s: %s %d holds a number the loader would not read back (not finite, or too long "
             "for its %d-character lines)",
             out->target, what, number, TERRAIN_LONGEST_LINE);
    discard_whole_file(out);
    return false;
}

}  // namespace

char* format_count(char* out, unsigned long n) { return format_unsigned(out, n); }

char* format_fixed(char* out, double value, int decimals) {
    const double scale = POWERS_OF_TEN[decimals];
    const double scaled = value * scale;
    if (!(std::fabs(scaled) < TWO_TO_52)) return out + snprintf(out, 330, "%.*f", decimals, value);
    double rounded = round_half_even(scaled);
    const double remainder = scaled - rounded;  // exact: both are multiples of scaled's last bit
    if (std::fabs(remainder) == 0.5) {
        // The product may have been rounded onto a tie; its exact error
        // says on which side of it the value lies (none: half to even).
        const double lost = std::fma(value, scale, -scaled);
        if (remainder > 0.0 && lost > 0.0) rounded += 1.0;
        else if (remainder < 0.0 && lost < 0.0) rounded -= 1.0;
    }
    if (std::signbit(value)) *out++ = '-';
    const unsigned long long units = (unsigned long long)std::fabs(rounded);
    const unsigned long long one = UNITS_OF_TEN[decimals];
    out = format_unsigned(out, units / one);
    if (decimals > 0) {
        *out++ = '.';
        out = format_digits(out, units % one, decimals);
    }
    return out;
}

bool write_terrain_mesh(const char* path, const TerrainVertex* vertices, int vertex_count, const TerrainFace* faces,
                        int face_count, long long* size, char* error, size_t error_size) {
    WholeFile out;
    if (!begin_whole_file(path, &out, error, error_size)) return false;
    append_whole_file(&out, DUMP_HEADER, strlen(DUMP_HEADER));
    for (int i = 0; i < vertex_count; ++i) {
        const TerrainVertex& v = vertices[i];
        if (!put_float_line(&out, "v", v.x, v.y, &v.z)) return refuse_mesh(&out, "vertex", i + 1, error, error_size);
    }
    for (int i = 0; i < vertex_count; ++i) {
        const TerrainVertex& v = vertices[i];
        if (!put_float_line(&out, "vt", v.s, v.t, nullptr))
            return refuse_mesh(&out, "vertex", i + 1, error, error_size);
    }
    for (int i = 0; i < vertex_count; ++i) {
        const TerrainVertex& v = vertices[i];
        if (!put_float_line(&out, "vn", v.nx, v.ny, &v.nz))
            return refuse_mesh(&out, "vertex", i + 1, error, error_size);
    }
    for (int i = 0; i < face_count; ++i)
        if (!put_face_line(&out, faces[i])) return refuse_mesh(&out, "face", i + 1, error, error_size);
    if (!finish_whole_file(&out, error, error_size)) return false;
    if (size) *size = out.size;
    return true;
}

bool write_grid_terrain(WholeFile* out, const TerrainGrid& grid, void (*progress)(double fraction, void* context),
                        void* progress_context) {
    const int columns = grid.columns, rows = grid.rows;
    if (columns < 2 || rows < 2) return false;
    for (double v : {grid.x_min, grid.x_max, grid.z_min, grid.z_max})
        if (!(std::fabs(v) < LARGEST_COORDINATE)) return false;
    // Lines to write, for the progress: vertices, texture coordinates, faces.
    const double total_lines = 2.0 * columns * rows + 2.0 * (columns - 1) * (rows - 1);
    double lines_done = 0.0;
    auto report = [&](int row, double lines) {
        lines_done += lines;
        if (progress && (row & 15) == 0) progress(lines_done / total_lines, progress_context);
    };

    // Every row shares its columns' x and s: they are formatted once.
    const double width = grid.x_max - grid.x_min, depth = grid.z_max - grid.z_min;
    std::vector<std::string> x_text(columns), s_text(columns);
    char number[400];
    for (int c = 0; c < columns; ++c) {
        x_text[c].assign(number, format_grid_number(number, grid.x_min + width * c / (columns - 1), 3));
        s_text[c].assign(number, format_grid_number(number, (double)c / (columns - 1), 6));
    }
    std::vector<double> heights(columns);
    for (int r = 0; r < rows; ++r) {
        grid.read_row(r, heights.data(), grid.context);
        char z_text[64];
        const double z = grid.z_min + depth * r / (rows - 1);
        const size_t z_length = (size_t)(format_grid_number(z_text, z, 3) - z_text);
        for (int c = 0; c < columns; ++c) {
            if (!(std::fabs(heights[c]) < LARGEST_COORDINATE)) return false;
            char* p = reserve_whole_file(out, WHOLE_FILE_LINE);
            *p++ = 'v';
            *p++ = ' ';
            memcpy(p, x_text[c].data(), x_text[c].size());
            p += x_text[c].size();
            *p++ = ' ';
            p = format_grid_number(p, heights[c], 3);
            *p++ = ' ';
            memcpy(p, z_text, z_length);
            p += z_length;
            *p++ = '\n';
            advance_whole_file(out, p);
        }
        report(r, columns);
    }
    for (int r = 0; r < rows; ++r) {
        char t_text[64];
        const size_t t_length = (size_t)(format_grid_number(t_text, (double)(rows - 1 - r) / (rows - 1), 6) - t_text);
        for (int c = 0; c < columns; ++c) {
            char* p = reserve_whole_file(out, WHOLE_FILE_LINE);
            *p++ = 'v';
            *p++ = 't';
            *p++ = ' ';
            memcpy(p, s_text[c].data(), s_text[c].size());
            p += s_text[c].size();
            *p++ = ' ';
            memcpy(p, t_text, t_length);
            p += t_length;
            *p++ = '\n';
            advance_whole_file(out, p);
        }
        report(r, columns);
    }
    // Each cell is split along its north-west to south-east diagonal; both
    // faces wind counter-clockwise seen from above. In quad mode the viewer
    // takes the first face's corner 0, the second's corner 1, then the first
    // face's corners 1 and 2: north-west, south-west, south-east, north-east.
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            const unsigned long north_west = (unsigned long)r * columns + c + 1;
            const unsigned long north_east = north_west + 1;
            const unsigned long south_west = north_west + columns;
            const unsigned long south_east = south_west + 1;
            advance_whole_file(out, format_same_face(reserve_whole_file(out, WHOLE_FILE_LINE), north_west,
                                                     south_east, north_east));
            advance_whole_file(out, format_same_face(reserve_whole_file(out, WHOLE_FILE_LINE), north_west,
                                                     south_west, south_east));
        }
        report(r, 2.0 * (columns - 1));
    }
    return true;
}

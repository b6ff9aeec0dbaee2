// Writing a height grid as a terrain model file, fast enough for millions of faces.
#include "import/terrain_text.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace {

#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr size_t BUFFER_SIZE = 1 << 22;  // bytes formatted before each write
#else
constexpr size_t BUFFER_SIZE = 1 << 12;  // the fuzz build's terrains are small: they pass many buffers
#endif
constexpr size_t LONGEST_LINE = 128;     // a vertex line is under 60 bytes, a face line under 90

const double POWERS_OF_TEN[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};

// Formats into one buffer while a helper thread writes the other, so the
// disk and the formatting overlap.
struct LineBuffer {
    std::FILE* file;
    std::vector<char> bytes[2];
    int current;                 // buffer being filled
    char* end;                   // end of what was formatted into it
    std::thread writer;          // writes the other buffer; joined before it is reused
    std::atomic<bool> failed;
};

void flush_lines(LineBuffer* b) {
    const char* data = b->bytes[b->current].data();
    const size_t size = (size_t)(b->end - data);
    if (b->writer.joinable()) b->writer.join();
    if (size > 0)
        b->writer = std::thread([b, data, size] {
            if (std::fwrite(data, 1, size, b->file) != size) b->failed = true;
        });
    b->current ^= 1;
    b->end = b->bytes[b->current].data();
}

void finish_lines(LineBuffer* b) {
    flush_lines(b);
    if (b->writer.joinable()) b->writer.join();
}

// Makes room for one more line.
char* reserve_line(LineBuffer* b) {
    if ((size_t)(b->end - b->bytes[b->current].data()) + LONGEST_LINE > BUFFER_SIZE) flush_lines(b);
    return b->end;
}

// One face corner group "a/a/a": the same number for vertex, texture coordinate and normal.
char* format_corner(char* out, unsigned long vertex) {
    char digits[24];
    char* end = format_count(digits, vertex);
    const size_t n = (size_t)(end - digits);
    std::memcpy(out, digits, n);
    out[n] = '/';
    std::memcpy(out + n + 1, digits, n);
    out[2 * n + 1] = '/';
    std::memcpy(out + 2 * n + 2, digits, n);
    return out + 3 * n + 2;
}

char* format_face(char* out, unsigned long a, unsigned long b, unsigned long c) {
    *out++ = 'f';
    *out++ = ' ';
    out = format_corner(out, a);
    *out++ = ' ';
    out = format_corner(out, b);
    *out++ = ' ';
    out = format_corner(out, c);
    *out++ = '\n';
    return out;
}

}  // namespace

char* format_count(char* out, unsigned long n) {
    char reversed[24];
    int length = 0;
    do {
        reversed[length++] = (char)('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (length > 0) *out++ = reversed[--length];
    return out;
}

char* format_fixed(char* out, double value, int decimals) {
    const double scaled = std::round(value * POWERS_OF_TEN[decimals]);
    if (scaled < 0.0) *out++ = '-';
    const unsigned long units = (unsigned long)std::fabs(scaled);
    const unsigned long one = (unsigned long)POWERS_OF_TEN[decimals];
    out = format_count(out, units / one);
    if (decimals > 0) {
        *out++ = '.';
        unsigned long fraction = units % one;
        for (int i = decimals - 1; i >= 0; --i) {
            out[i] = (char)('0' + fraction % 10);
            fraction /= 10;
        }
        out += decimals;
    }
    return out;
}

bool write_grid_terrain(std::FILE* file, const float* heights, int columns, int rows, double width, double depth,
                        ProgressFn progress, void* context) {
    if (columns < 2 || rows < 2) return false;
    const size_t count = (size_t)columns * rows;
    if (!(std::fabs(width) < LARGEST_COORDINATE) || !(std::fabs(depth) < LARGEST_COORDINATE)) return false;
    for (size_t i = 0; i < count; ++i)
        if (!(std::fabs(heights[i]) < LARGEST_COORDINATE)) return false;

    LineBuffer b;
    b.file = file;
    b.bytes[0].resize(BUFFER_SIZE);
    b.bytes[1].resize(BUFFER_SIZE);
    b.current = 0;
    b.end = b.bytes[0].data();
    b.failed = false;
    // Lines to write, for the progress bar: vertices, texture coordinates, faces.
    const double total_lines = 2.0 * count + 2.0 * (columns - 1) * (rows - 1);
    double lines_done = 0.0;

    // Columns share their x and s in every row: format them once.
    std::vector<double> xs(columns);
    for (int c = 0; c < columns; ++c) xs[c] = -width / 2.0 + width * c / (columns - 1);

    for (int r = 0; r < rows && !b.failed; ++r) {
        const double z = -depth / 2.0 + depth * r / (rows - 1);
        const float* row = heights + (size_t)r * columns;
        for (int c = 0; c < columns; ++c) {
            char* p = reserve_line(&b);
            *p++ = 'v';
            *p++ = ' ';
            p = format_fixed(p, xs[c], 3);
            *p++ = ' ';
            p = format_fixed(p, row[c], 3);
            *p++ = ' ';
            p = format_fixed(p, z, 3);
            *p++ = '\n';
            b.end = p;
        }
        lines_done += columns;
        if (progress && (r & 15) == 0) progress(lines_done / total_lines, context);
    }
    std::vector<char> s_text((size_t)columns * 9);
    std::vector<unsigned char> s_length(columns);
    for (int c = 0; c < columns; ++c)
        s_length[c] = (unsigned char)(format_fixed(&s_text[(size_t)c * 9], (double)c / (columns - 1), 6) -
                                      &s_text[(size_t)c * 9]);
    for (int r = 0; r < rows && !b.failed; ++r) {
        char t_text[16];
        const size_t t_length =
            (size_t)(format_fixed(t_text, (double)(rows - 1 - r) / (rows - 1), 6) - t_text);
        for (int c = 0; c < columns; ++c) {
            char* p = reserve_line(&b);
            *p++ = 'v';
            *p++ = 't';
            *p++ = ' ';
            std::memcpy(p, &s_text[(size_t)c * 9], s_length[c]);
            p += s_length[c];
            *p++ = ' ';
            std::memcpy(p, t_text, t_length);
            p += t_length;
            *p++ = '\n';
            b.end = p;
        }
        lines_done += columns;
        if (progress && (r & 15) == 0) progress(lines_done / total_lines, context);
    }
    // Each cell is split along its north-west to south-east diagonal; both
    // faces wind counter-clockwise seen from above. In quad mode the viewer
    // takes the first face's corner 0, the second's corner 1, then the first
    // face's corners 1 and 2: north-west, south-west, south-east, north-east.
    for (int r = 0; r + 1 < rows && !b.failed; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            const unsigned long north_west = (unsigned long)r * columns + c + 1;
            const unsigned long north_east = north_west + 1;
            const unsigned long south_west = north_west + columns;
            const unsigned long south_east = south_west + 1;
            b.end = format_face(reserve_line(&b), north_west, south_east, north_east);
            b.end = format_face(reserve_line(&b), north_west, south_west, south_east);
        }
        lines_done += 2.0 * (columns - 1);
        if (progress && (r & 15) == 0) progress(lines_done / total_lines, context);
    }
    finish_lines(&b);
    return !b.failed;
}

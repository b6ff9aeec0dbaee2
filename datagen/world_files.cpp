// Writers for terrain models, raw images and info files; each reports failure through a message.
#include "world_files.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

std::string describe_errno(const std::string& action, const std::string& path) {
    return "cannot " + action + " '" + path + "': " + std::strerror(errno);
}

// Writes the text or bytes into a temporary file beside the target and
// renames it into place, so a failed run never leaves a half-written file
// that looks complete.
bool replace_file(const std::string& path, const std::string& content, std::string& error) {
    const std::string temporary = path + ".partial";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = describe_errno("create", temporary);
        return false;
    }
    bool ok = content.empty() || std::fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = ok && std::fflush(file) == 0;
    int failure = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        errno = failure;
        error = describe_errno("write", temporary);
        std::remove(temporary.c_str());
        return false;
    }
    std::error_code code;
    std::filesystem::rename(temporary, path, code);
    if (code) {
        error = "cannot rename '" + temporary + "' to '" + path + "': " + code.message();
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

// Appends what snprintf wrote into a buffer of the given size, never more
// than the buffer holds even if the formatted text was cut short.
void append_text(std::string& text, const char* line, int length, size_t size) {
    if (length > 0 && size > 0) {
        text.append(line, std::min(static_cast<size_t>(length), size - 1));
    }
}

void append_vertex(std::string& text, double x, double y, double z) {
    char line[128];
    append_text(text, line, std::snprintf(line, sizeof line, "v %.3f %.3f %.3f\n", x, y, z), sizeof line);
}

void append_texcoord(std::string& text, double s, double t) {
    char line[64];
    append_text(text, line, std::snprintf(line, sizeof line, "vt %.6f %.6f\n", s, t), sizeof line);
}

// Vertex, texture coordinate and normal all refer to the same vertex record.
void append_face(std::string& text, long a, long b, long c) {
    char line[128];
    append_text(text, line,
                std::snprintf(line, sizeof line, "f %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld\n", a, a, a, b, b, b,
                              c, c, c),
                sizeof line);
}

// Printing -0.000 is legal but looks like a bug to anyone reading the file.
double drop_negative_zero(double value, double resolution) {
    return std::fabs(value) < resolution ? 0.0 : value;
}

}  // namespace

bool make_directory(const std::string& path, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(path, code);
    if (code || !std::filesystem::is_directory(path, code)) {
        error = "cannot create directory '" + path + "': " + (code ? code.message() : "not a directory");
        return false;
    }
    return true;
}

bool write_terrain_model(const std::string& path, const terrain_extent& extent,
                         const std::vector<double>& heights, std::string& error) {
    const size_t columns = static_cast<size_t>(extent.columns);
    const size_t rows = static_cast<size_t>(extent.rows);
    if (extent.columns < 2 || extent.rows < 2 || heights.size() != columns * rows) {
        error = "cannot write '" + path + "': height grid does not match its extent";
        return false;
    }
    for (double h : heights) {
        if (!std::isfinite(h)) {
            error = "cannot write '" + path + "': height grid holds a value that is not a number";
            return false;
        }
    }
    const double width = extent.x_max - extent.x_min;
    const double depth = extent.z_max - extent.z_min;

    std::string text;
    text.reserve(columns * rows * 64);
    // Vertices run row by row from the north edge, west to east in each row.
    for (size_t r = 0; r < rows; ++r) {
        const double z = extent.z_min + depth * static_cast<double>(r) / static_cast<double>(rows - 1);
        for (size_t c = 0; c < columns; ++c) {
            const double x = extent.x_min + width * static_cast<double>(c) / static_cast<double>(columns - 1);
            append_vertex(text, drop_negative_zero(x, 0.0005),
                          drop_negative_zero(heights[r * columns + c], 0.0005),
                          drop_negative_zero(z, 0.0005));
        }
    }
    for (size_t r = 0; r < rows; ++r) {
        const double t = static_cast<double>(rows - 1 - r) / static_cast<double>(rows - 1);
        for (size_t c = 0; c < columns; ++c) {
            append_texcoord(text, static_cast<double>(c) / static_cast<double>(columns - 1), t);
        }
    }
    // Every cell is split along its north-west to south-east diagonal, and both
    // triangles wind counter-clockwise seen from above, so faces point up and
    // every inner vertex touches exactly six of them. The pair is written so
    // that the viewer's quad mode ("-q": first face's corner 0, second face's
    // corner 1, first face's corners 1 and 2) rebuilds the whole cell.
    for (size_t r = 0; r + 1 < rows; ++r) {
        for (size_t c = 0; c + 1 < columns; ++c) {
            const long north_west = static_cast<long>(r * columns + c + 1);
            const long north_east = north_west + 1;
            const long south_west = north_west + static_cast<long>(columns);
            const long south_east = south_west + 1;
            append_face(text, north_west, south_east, north_east);
            append_face(text, north_west, south_west, south_east);
        }
    }
    return replace_file(path, text, error);
}

bool write_raw_image(const std::string& path, const std::vector<uint8_t>& pixels, std::string& error) {
    return replace_file(path, std::string(pixels.begin(), pixels.end()), error);
}

std::string name_info_file(const std::string& image_path) {
    const size_t slash = image_path.find_last_of('/');
    const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = image_path.find('.', name_start);
    if (dot == std::string::npos) {
        return image_path + ".info";
    }
    return image_path.substr(0, dot + 1) + "info";
}

bool write_image_info(const std::string& image_path, int width, int height, int components,
                      std::string& error) {
    char line[64];
    std::snprintf(line, sizeof line, "%d %d %d\n", width, height, components);
    return replace_file(name_info_file(image_path), line, error);
}

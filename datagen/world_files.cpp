// Writers for terrain models, raw images and info files; each reports failure through a message.
#include "datagen/world_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "files/terrain_writer.h"
#include "files/texture_file.h"
#include "files/whole_file.h"

namespace {

constexpr size_t ERROR_SIZE = WHOLE_FILE_PATH_SIZE + 256;

// Every file goes through the programs' one whole-file writer: a failed run
// never leaves a half-written file that looks complete.
bool begin_file(const std::string& path, WholeFile* out, std::string& error) {
    char message[ERROR_SIZE];
    if (begin_whole_file(path.c_str(), out, message, sizeof message)) return true;
    error = message;
    return false;
}

bool finish_file(WholeFile* out, std::string& error) {
    char message[ERROR_SIZE];
    if (finish_whole_file(out, message, sizeof message)) return true;
    error = message;
    return false;
}

void read_heights_row(int row, double* heights, void* context) {
    const std::pair<const std::vector<double>*, int>* grid = (const std::pair<const std::vector<double>*, int>*)context;
    const double* from = grid->first->data() + static_cast<size_t>(row) * static_cast<size_t>(grid->second);
    for (int c = 0; c < grid->second; ++c) heights[c] = from[c];
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
    WholeFile out;
    if (!begin_file(path, &out, error)) return false;
    std::pair<const std::vector<double>*, int> grid_rows(&heights, extent.columns);
    const TerrainGrid grid{extent.columns, extent.rows, extent.x_min, extent.x_max,
                           extent.z_min,   extent.z_max, read_heights_row, &grid_rows};
    if (!write_grid_terrain(&out, grid, nullptr, nullptr)) {
        discard_whole_file(&out);
        error = "cannot write '" + path + "': height grid holds a value that is not a number or too large";
        return false;
    }
    return finish_file(&out, error);
}

bool write_raw_image(const std::string& path, const std::vector<uint8_t>& pixels, std::string& error) {
    WholeFile out;
    if (!begin_file(path, &out, error)) return false;
    append_whole_file(&out, pixels.data(), pixels.size());
    return finish_file(&out, error);
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
    WholeFile out;
    if (!begin_file(name_info_file(image_path), &out, error)) return false;
    print_info_file(&out, width, height, components);
    return finish_file(&out, error);
}

float read_back(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return std::strtof(text, nullptr);
}

// Writes the default world a new user sees first: terrain, texture, sample terrains, drape, maps, tours,
// overlay and billboard pictures, sample geometry layers.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "datagen/billboards.h"
#include "datagen/flythroughs.h"
#include "datagen/overlay_pictures.h"
#include "datagen/sample_layers.h"
#include "datagen/sky.h"
#include "datagen/terrains.h"
#include "datagen/world_files.h"
#include "datagen/world_images.h"

namespace {

const int texture_size = 256;
const int drape_size = 512;
const int map_size = 512;
const int slope_map_size = 256;

struct height_range {
    double low;
    double high;
};

std::vector<double> sample_heights(const terrain_extent& extent,
                                   const std::function<double(double, double)>& height_at) {
    std::vector<double> heights;
    heights.reserve(static_cast<size_t>(extent.columns) * static_cast<size_t>(extent.rows));
    for (int r = 0; r < extent.rows; ++r) {
        const double z = extent.z_min + (extent.z_max - extent.z_min) * r / (extent.rows - 1);
        for (int c = 0; c < extent.columns; ++c) {
            const double x = extent.x_min + (extent.x_max - extent.x_min) * c / (extent.columns - 1);
            heights.push_back(height_at(x, z));
        }
    }
    return heights;
}

height_range measure_heights(const std::vector<double>& heights) {
    height_range range = {0.0, 0.0};
    if (!heights.empty()) {
        range.low = range.high = heights[0];
    }
    for (double h : heights) {
        range.low = h < range.low ? h : range.low;
        range.high = h > range.high ? h : range.high;
    }
    return range;
}

bool write_terrain(const std::string& path, const terrain_extent& extent,
                   const std::function<double(double, double)>& height_at, std::string& summary,
                   std::string& error) {
    const std::vector<double> heights = sample_heights(extent, height_at);
    if (!write_terrain_model(path, extent, heights, error)) {
        return false;
    }
    const height_range range = measure_heights(heights);
    char line[160];
    std::snprintf(line, sizeof line, " %s %dx%d (%.0f..%.0f)",
                  path.substr(path.find_last_of('/') + 1).c_str(), extent.columns, extent.rows, range.low,
                  range.high);
    summary += line;
    return true;
}

bool write_image_with_info(const std::string& path, const std::vector<uint8_t>& pixels, int size,
                           int components, std::string& error) {
    return write_raw_image(path, pixels, error) && write_image_info(path, size, size, components, error);
}

bool generate_world(const std::string& out, std::string& error) {
    for (const char* folder : {"", "/DEM", "/Drape", "/Map", "/Flythrough", "/Vector"}) {
        if (!make_directory(out + folder, error)) {
            return false;
        }
    }

    const river_network rivers = build_default_rivers();
    std::string summary;
    const auto default_height = [&rivers](double x, double z) {
        return sample_default_ground(rivers, x, z).height;
    };
    if (!write_terrain(out + "/Default.obj", default_extent, default_height, summary, error)) {
        return false;
    }
    std::printf("terrain:%s\n", summary.c_str());

    const ground_raster small = sample_ground_raster(rivers, default_extent, texture_size, texture_size);
    if (!write_raw_image(out + "/Default.raw", paint_default_texture(small), error)) {
        return false;
    }
    std::printf("texture: Default.raw %dx%d RGB\n", texture_size, texture_size);

    summary.clear();
    if (!write_terrain(out + "/DEM/Canyon.dem", canyon_extent, compute_canyon_height, summary, error) ||
        !write_terrain(out + "/DEM/Volcano.dem", volcano_extent, compute_volcano_height, summary, error) ||
        !write_terrain(out + "/DEM/Ranges.dem", ranges_extent, compute_ranges_height, summary, error)) {
        return false;
    }
    std::printf("DEM:%s\n", summary.c_str());

    const ground_raster large = sample_ground_raster(rivers, default_extent, drape_size, drape_size);
    if (!write_image_with_info(out + "/Drape/Relief.raw", paint_relief_drape(large), drape_size, 3, error)) {
        return false;
    }
    std::printf("drape: Drape/Relief.raw %dx%d RGB\n", drape_size, drape_size);

    static_assert(map_size == drape_size, "the topographic map reuses the drape's ground samples");
    static_assert(slope_map_size == texture_size, "the slope map reuses the texture's ground samples");
    if (!write_image_with_info(out + "/Map/Topo.raw", paint_topo_map(large), map_size, 3, error) ||
        !write_image_with_info(out + "/Map/Slope.raw", paint_slope_map(small), slope_map_size, 1, error)) {
        return false;
    }
    std::printf("maps: Map/Topo.raw %dx%d RGB, Map/Slope.raw %dx%d grey\n", map_size, map_size,
                slope_map_size, slope_map_size);
    if (!write_sky_pictures(out, error)) {
        return false;
    }
    std::printf("sky: sky_0.raw .. sky_%d.raw %dx%d RGB\n", sky_face_count - 1, sky_size, sky_size);
    if (!write_overlay_pictures(out, error)) {
        return false;
    }
    std::printf("overlay: navi_0.raw .. navi_%d.raw %dx%d RGBA, side_0.raw %dx%d RGBA\n",
                overlay_picture_count - 1, overlay_picture_size, overlay_picture_size, handle_picture_size,
                handle_picture_size);
    if (!write_billboards(out, error)) {
        return false;
    }
    std::printf("billboards: bill_0.raw .. bill_%d.raw %dx%d RGBA\n", billboard_count - 1, billboard_size,
                billboard_size);
    summary.clear();
    if (!write_sample_flythroughs(out + "/Flythrough", rivers, summary, error)) {
        return false;
    }
    std::printf("flythroughs:%s\n", summary.c_str());
    summary.clear();
    if (!write_sample_layers(out + "/Vector", rivers, summary, error)) {
        return false;
    }
    std::printf("vector layers:%s\n", summary.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: generate_world <output_dir>\n");
        return 2;
    }
    std::string error;
    if (!generate_world(argv[1], error)) {
        std::fprintf(stderr, "generate_world: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

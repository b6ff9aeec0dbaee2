// Reading a map (an orthophoto or a scanned map) through GDAL onto the terrain's extent.
#include "import/map_image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include <cpl_error.h>
#include <gdal_utils.h>

#include "import/float_cast.h"

namespace {

bool is_georeferenced(GDALDatasetH dataset) {
    double gt[6];
    const char* wkt = GDALGetProjectionRef(dataset);
    return GDALGetGeoTransform(dataset, gt) == CE_None && wkt && *wkt;
}

// Empty when the map's geotransform places every corner at finite coordinates
// within FARTHEST_COORDINATE and its cells have an area; else what is wrong.
std::string check_map_placement(GDALDatasetH dataset, int width, int height) {
    double gt[6];
    if (GDALGetGeoTransform(dataset, gt) != CE_None) return "";
    for (int corner = 0; corner < 4; ++corner) {
        const double column = (corner & 1) ? width : 0, row = (corner & 2) ? height : 0;
        const double x = gt[0] + column * gt[1] + row * gt[2], y = gt[3] + column * gt[4] + row * gt[5];
        if (!(std::fabs(x) <= FARTHEST_COORDINATE && std::fabs(y) <= FARTHEST_COORDINATE)) {
            char where[96];
            snprintf(where, sizeof where, "(%g, %g)", x, y);
            return std::string("its geotransform puts a corner at ") + where +
                   ", beyond any coordinate system: mend its georeference";
        }
    }
    const double area = gt[1] * gt[5] - gt[2] * gt[4];
    if (!std::isfinite(area) || area == 0.0) return "its geotransform gives its cells no area";
    return "";
}

// Converts samples of any type to bytes: bytes as they are, wider types
// stretched from their smallest to their largest value.
void convert_to_bytes(const std::vector<float>& samples, bool already_bytes, std::vector<uint8_t>* pixels) {
    pixels->resize(samples.size());
    float low = 0.0f, high = 255.0f;
    if (!already_bytes) {
        low = INFINITY;
        high = -INFINITY;
        for (float v : samples)
            if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
    }
    // In double: the range of denormal samples makes a factor beyond any
    // float, and that of the largest ones a range beyond it. Flat: all 0.
    const double scale = high > low ? 255.0 / ((double)high - low) : 0.0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double v = std::isfinite(samples[i]) ? (samples[i] - (double)low) * scale : 0.0;
        (*pixels)[i] = clamp_to_integer<uint8_t>(v + 0.5, 0, 255);
    }
}

// Warps the map into a grid laid over the elevation raster's extent at the texture's size.
GDALDatasetH warp_onto_elevation(MapRaster* map, const ElevationRaster& elevation, int width, int height,
                                 bool averaging, GDALProgressFunc progress, void* context) {
    GDALDriverH memory = GDALGetDriverByName("MEM");
    if (!memory) return nullptr;
    // As many bands as the map: an alpha band is carried as a plain one and not read.
    GDALDatasetH target =
        GDALCreate(memory, "", width, height, GDALGetRasterCount(map->dataset), GDT_Float32, nullptr);
    if (!target) return nullptr;
    const RasterFrame& frame = elevation.frame;
    const double* gt = frame.geotransform;
    const double across = (double)frame.width / width, down = (double)frame.height / height;
    double target_gt[6] = {gt[0], gt[1] * across, gt[2] * down, gt[3], gt[4] * across, gt[5] * down};
    GDALSetGeoTransform(target, target_gt);
    GDALSetProjection(target, frame.srs_wkt.c_str());
    const char* words[] = {"-r", averaging ? "average" : "bilinear", "-wo", "INIT_DEST=0", "-nosrcalpha", nullptr};
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew((char**)words, nullptr);
    GDALDatasetH result = nullptr;
    if (options) {
        GDALWarpAppOptionsSetProgress(options, progress, context);
        int usage_error = 0;
        result = GDALWarp(nullptr, target, 1, &map->dataset, options, &usage_error);
        GDALWarpAppOptionsFree(options);
    }
    if (!result) {
        GDALClose(target);
        return nullptr;
    }
    return target;
}

}  // namespace

bool open_map_raster(const char* path, MapRaster* map, std::string* error) {
    *map = MapRaster{};
    GDALDatasetH dataset = open_raster_file(path, "map ", error);
    if (!dataset) return false;
    const int bands = GDALGetRasterCount(dataset);
    if (bands < 1 || bands > 4) {
        GDALClose(dataset);
        *error = "map '" + std::string(path) + "' has " + std::to_string(bands) +
                 " bands; a map is grey (1 or 2 bands) or colour (3 or 4)";
        return false;
    }
    map->dataset = dataset;
    map->width = GDALGetRasterXSize(dataset);
    map->height = GDALGetRasterYSize(dataset);
    map->components = bands >= 3 ? 3 : 1;
    map->georeferenced = is_georeferenced(dataset);
    if (map->georeferenced) {
        const std::string misplaced = check_map_placement(dataset, map->width, map->height);
        if (!misplaced.empty()) {
            close_map_raster(map);
            *error = "map '" + std::string(path) + "' cannot be laid over the terrain: " + misplaced;
            return false;
        }
    }
    if (bands == 1 && GDALGetRasterColorTable(GDALGetRasterBand(dataset, 1))) {
        // Averaging palette indices would mix unrelated colours: expand them first.
        const char* words[] = {"-of", "VRT", "-expand", "rgb", nullptr};
        GDALTranslateOptions* options = GDALTranslateOptionsNew((char**)words, nullptr);
        int usage_error = 0;
        GDALDatasetH expanded = options ? GDALTranslate("", dataset, options, &usage_error) : nullptr;
        if (options) GDALTranslateOptionsFree(options);
        if (!expanded) {
            close_map_raster(map);
            *error = "cannot expand the colours of map '" + std::string(path) + "': " +
                     describe_gdal_error("translate failed");
            return false;
        }
        map->original = dataset;
        map->dataset = expanded;
        map->components = 3;
    }
    return true;
}

void close_map_raster(MapRaster* map) {
    if (map->dataset) GDALClose(map->dataset);
    if (map->original) GDALClose(map->original);
    map->dataset = nullptr;
    map->original = nullptr;
}

bool read_map_image(MapRaster* map, const ElevationRaster& elevation, int width, int height,
                    std::vector<uint8_t>* pixels, bool* stretched, std::string* error, ProgressFn progress,
                    void* context) {
    const bool averaging = map->width > width || map->height > height;
    const bool already_bytes = GDALGetRasterDataType(GDALGetRasterBand(map->dataset, 1)) == GDT_Byte;
    GdalProgress gdal_progress = {progress, context};
    std::vector<float> samples((size_t)width * height * map->components);
    int band_list[3] = {1, 2, 3};
    // Pixel-interleaved: R, G, B of a pixel side by side, as the raw image wants them.
    const GSpacing pixel_space = sizeof(float) * map->components;
    const GSpacing line_space = pixel_space * width;
    const bool warp = map->georeferenced && elevation.frame.has_geotransform && !elevation.frame.srs_wkt.empty();
    *stretched = !warp;
    CPLErrorReset();
    bool ok = false;
    if (warp) {
        GDALDatasetH warped = warp_onto_elevation(map, elevation, width, height, averaging, report_gdal_progress,
                                                  &gdal_progress);
        ok = warped && GDALDatasetRasterIO(warped, GF_Read, 0, 0, width, height, samples.data(), width, height,
                                           GDT_Float32, map->components, band_list, pixel_space, line_space,
                                           sizeof(float)) == CE_None;
        if (warped) GDALClose(warped);
    } else {
        GDALRasterIOExtraArg extra;
        INIT_RASTERIO_EXTRA_ARG(extra);
        extra.eResampleAlg = averaging ? GRIORA_Average : GRIORA_Bilinear;
        extra.pfnProgress = report_gdal_progress;
        extra.pProgressData = &gdal_progress;
        ok = GDALDatasetRasterIOEx(map->dataset, GF_Read, 0, 0, map->width, map->height, samples.data(), width,
                                   height, GDT_Float32, map->components, band_list, pixel_space, line_space,
                                   sizeof(float), &extra) == CE_None;
    }
    if (!ok) {
        *error = "cannot read the map: " + describe_gdal_error("read failed");
        return false;
    }
    // Warped into a south-up raster's grid, the map turns with it so that north comes first.
    if (warp && (elevation.flip_rows || elevation.flip_columns)) {
        const size_t row_length = (size_t)width * map->components;
        std::vector<float> turned(samples.size());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int from_y = elevation.flip_rows ? height - 1 - y : y;
                const int from_x = elevation.flip_columns ? width - 1 - x : x;
                for (int c = 0; c < map->components; ++c)
                    turned[y * row_length + (size_t)x * map->components + c] =
                        samples[from_y * row_length + (size_t)from_x * map->components + c];
            }
        samples.swap(turned);
    }
    convert_to_bytes(samples, already_bytes, pixels);
    return true;
}

// Reading an elevation raster through GDAL: checks, and reading its heights averaged onto a grid.
#include "import/elevation_raster.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include <cpl_error.h>

namespace {

// No elevation in any unit comes near this; larger magnitudes are markers
// for missing cells that the raster did not declare.
constexpr float IMPLAUSIBLE_HEIGHT = 1e30f;
// Raster rows read in one request, at most (bounded further by memory).
constexpr size_t READ_CELLS = 1 << 22;

std::string single_line(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

// The sub-datasets a container (netCDF, HDF) offers, to name in a refusal.
std::string list_subdatasets(GDALDatasetH dataset) {
    char** list = GDALGetMetadata(dataset, "SUBDATASETS");
    std::string names;
    int shown = 0;
    for (char** item = list; item && *item; ++item) {
        std::string entry = *item;
        size_t eq = entry.find('=');
        if (entry.find("_NAME=") == std::string::npos || eq == std::string::npos) continue;
        if (shown == 2) {
            names += ", ...";
            break;
        }
        names += (shown ? ", " : "") + entry.substr(eq + 1);
        ++shown;
    }
    return names;
}

// Why a stored value cannot be a height once scaled and offset.
std::string describe_overflow(const ElevationRaster& raster, float stored, double height) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "': its scale %g and offset %g turn the stored height %g into %g; heights must be finite and "
                  "below %g",
                  raster.scale, raster.offset, stored, height, IMPLAUSIBLE_HEIGHT);
    return "'" + raster.path + text;
}

// Sets the cells of a row without a height to NaN (counting them in *missing)
// and scales and offsets the others, then turns an east-first row round. False
// with a message when a height comes out implausible.
bool convert_row(const ElevationRaster& raster, float* row, const unsigned char* row_mask, int count,
                 long long* missing, std::string* error) {
    const bool scaled = raster.scale != 1.0 || raster.offset != 0.0;
    for (int x = 0; x < count; ++x) {
        if (is_missing_height(raster, row[x]) || (row_mask && row_mask[x] == 0)) {
            row[x] = NAN;
            ++*missing;
        } else if (scaled) {
            const double height = row[x] * raster.scale + raster.offset;
            if (!(std::fabs(height) < IMPLAUSIBLE_HEIGHT)) {
                *error = describe_overflow(raster, row[x], height);
                return false;
            }
            row[x] = (float)height;
        }
    }
    if (raster.flip_columns) std::reverse(row, row + count);
    return true;
}

// "" when GDAL may open `path`; otherwise why not: it is a named pipe, a
// device or a socket, which opening could wait on for ever. A folder passes
// (some formats are folders), and so does a name that is no file, such as
// GDAL's NETCDF:"file.nc":variable, whose quoted file is looked at instead.
std::string check_raster_file(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0) {
        const std::string name = path;
        const size_t quote = name.find('"');
        if (quote == std::string::npos) return "";
        const std::string file = name.substr(quote + 1, name.find('"', quote + 1) - quote - 1);
        if (stat(file.c_str(), &info) != 0) return "";
    }
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) return "";
    const char* kind = S_ISFIFO(info.st_mode)                              ? "a named pipe"
                       : S_ISSOCK(info.st_mode)                            ? "a socket"
                       : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                                                                           : "something";
    return std::string("it is ") + kind + ", not a regular file";
}

// Why GDAL could not open `path` as a raster: the system's reason when the
// path names no file ("No such file or directory"), a folder ("it is a
// folder") or a file that cannot be read; else GDAL's last error, or "not a
// raster GDAL can read". GDAL's own names (/vsi..., DRIVER:...) get GDAL's.
std::string describe_unopened_raster(const char* path) {
    const bool gdal_name = std::strncmp(path, "/vsi", 4) == 0 || std::strchr(path, ':') != nullptr;
    struct stat info;
    if (!gdal_name && stat(path, &info) != 0) return std::strerror(errno);
    if (!gdal_name && S_ISDIR(info.st_mode)) return "it is a folder";
    if (!gdal_name && access(path, R_OK) != 0) return std::strerror(errno);
    return describe_gdal_error("not a raster GDAL can read");
}

}  // namespace

std::string describe_gdal_error(const char* fallback) {
    const char* message = CPLGetLastErrorMsg();
    if (!message || !*message) return fallback;
    return single_line(message);
}

int report_gdal_progress(double fraction, const char*, void* context) {
    GdalProgress* p = (GdalProgress*)context;
    if (p && p->progress) p->progress(fraction, p->context);
    return TRUE;
}

GDALDatasetH open_raster_file(const char* path, const char* what, std::string* error) {
    const std::string unfit = check_raster_file(path);
    if (!unfit.empty()) {
        *error = "cannot read " + std::string(what) + "'" + path + "': " + unfit;
        return nullptr;
    }
    CPLErrorReset();
    GDALDatasetH dataset = GDALOpenEx(path, GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!dataset) *error = "cannot read " + std::string(what) + "'" + path + "': " + describe_unopened_raster(path);
    return dataset;
}

bool open_elevation_raster(const char* path, ElevationRaster* raster, std::string* error) {
    *raster = ElevationRaster{};
    GDALDatasetH dataset = open_raster_file(path, "", error);
    if (!dataset) return false;
    const int bands = GDALGetRasterCount(dataset);
    std::string refusal;
    if (bands == 0) {
        std::string subdatasets = list_subdatasets(dataset);
        refusal = "'" + std::string(path) + "' holds no raster bands" +
                  (subdatasets.empty() ? "" : "; name one of its sub-datasets instead: " + subdatasets);
    } else if (bands > 1) {
        refusal = "'" + std::string(path) + "' has " + std::to_string(bands) +
                  " bands; an elevation raster has one (an image goes with --map)";
    } else if (GDALGetRasterXSize(dataset) < 2 || GDALGetRasterYSize(dataset) < 2) {
        refusal = "'" + std::string(path) + "' is " + std::to_string(GDALGetRasterXSize(dataset)) + " x " +
                  std::to_string(GDALGetRasterYSize(dataset)) + " cells; a terrain needs at least 2 x 2";
    } else if (GDALDataTypeIsComplex(GDALGetRasterDataType(GDALGetRasterBand(dataset, 1)))) {
        refusal = "'" + std::string(path) + "' holds complex numbers, not heights";
    }
    if (!refusal.empty()) {
        GDALClose(dataset);
        *error = refusal;
        return false;
    }
    raster->path = path;
    raster->dataset = dataset;
    raster->band = GDALGetRasterBand(dataset, 1);
    RasterFrame& frame = raster->frame;
    frame.width = GDALGetRasterXSize(dataset);
    frame.height = GDALGetRasterYSize(dataset);
    frame.has_geotransform = GDALGetGeoTransform(dataset, frame.geotransform) == CE_None;
    if (const char* wkt = GDALGetProjectionRef(dataset)) frame.srs_wkt = wkt;
    int has = 0;
    raster->no_data = GDALGetRasterNoDataValue(raster->band, &has);
    raster->has_no_data = has != 0;
    const int mask_flags = GDALGetMaskFlags(raster->band);
    raster->has_mask = !(mask_flags & GMF_ALL_VALID) && !(mask_flags & GMF_NODATA);
    raster->scale = GDALGetRasterScale(raster->band, &has);
    if (!has || raster->scale == 0.0) raster->scale = 1.0;
    raster->offset = GDALGetRasterOffset(raster->band, &has);
    if (!has) raster->offset = 0.0;
    if (const char* unit = GDALGetRasterUnitType(raster->band)) raster->unit = unit;
    // Only an unrotated grid can be turned round by reading it backwards.
    const double* gt = frame.geotransform;
    if (frame.has_geotransform && gt[2] == 0.0 && gt[4] == 0.0) {
        raster->flip_rows = gt[5] > 0.0;
        raster->flip_columns = gt[1] < 0.0;
    }
    return true;
}

void close_elevation_raster(ElevationRaster* raster) {
    if (raster->dataset) GDALClose(raster->dataset);
    raster->dataset = nullptr;
    raster->band = nullptr;
}

bool is_missing_height(const ElevationRaster& raster, float stored) {
    if (std::isnan(stored) || !(std::fabs(stored) < IMPLAUSIBLE_HEIGHT)) return true;
    if (!raster.has_no_data) return false;
    if (std::isnan(raster.no_data)) return false;
    return stored == (float)raster.no_data;
}

bool read_elevation_grid(ElevationRaster* raster, int width, int height, std::vector<float>* grid,
                         long long* missing, std::string* error, ProgressFn progress, void* context) {
    const int in_width = raster->frame.width, in_height = raster->frame.height;
    grid->assign((size_t)width * height, NAN);
    // At the raster's own size the rows go straight into the grid.
    const bool same_size = width == in_width && height == in_height;
    AreaResampler resampler;
    if (!same_size && !start_area_resampler(&resampler, in_width, in_height, divide_evenly(in_width, width),
                                            divide_evenly(in_height, height), grid->data())) {
        *error = "cannot average the raster onto the grid";
        return false;
    }
    const int strip_rows = (int)std::max<size_t>(1, std::min<size_t>(in_height, READ_CELLS / in_width));
    std::vector<float> strip((size_t)strip_rows * in_width);
    std::vector<unsigned char> mask(raster->has_mask ? strip.size() : 0);
    GDALRasterBandH mask_band = raster->has_mask ? GDALGetMaskBand(raster->band) : nullptr;
    long long missing_cells = 0;
    for (int y = 0; y < in_height; y += strip_rows) {
        const int rows = std::min(strip_rows, in_height - y);
        // A south-up raster is read from its last strip back, so north still comes first.
        const int source_row = raster->flip_rows ? in_height - y - rows : y;
        CPLErrorReset();
        if (GDALRasterIO(raster->band, GF_Read, 0, source_row, in_width, rows, strip.data(), in_width, rows,
                         GDT_Float32, 0, 0) != CE_None ||
            (mask_band && GDALRasterIO(mask_band, GF_Read, 0, source_row, in_width, rows, mask.data(), in_width,
                                       rows, GDT_Byte, 0, 0) != CE_None)) {
            *error = "cannot read the raster at row " + std::to_string(source_row) + ": " +
                     describe_gdal_error("read error");
            return false;
        }
        for (int r = 0; r < rows; ++r) {
            const int strip_row = raster->flip_rows ? rows - 1 - r : r;
            float* row = strip.data() + (size_t)strip_row * in_width;
            const unsigned char* row_mask = mask_band ? mask.data() + (size_t)strip_row * in_width : nullptr;
            if (!convert_row(*raster, row, row_mask, in_width, &missing_cells, error)) return false;
            if (same_size)
                std::copy(row, row + in_width, grid->begin() + (size_t)(y + r) * in_width);
            else
                feed_area_resampler(&resampler, row);
        }
        if (progress) progress((double)(y + rows) / in_height, context);
    }
    *missing = missing_cells;
    return true;
}

long long estimate_sampled_cells(const ElevationRaster& raster, int width, int height) {
    GDALRasterBandH band = GDALGetRasterSampleOverviewEx(raster.band, (GUIntBig)width * height);
    int block_width = 0, block_height = 0;
    GDALGetBlockSize(band, &block_width, &block_height);
    block_width = std::max(block_width, 1);
    block_height = std::max(block_height, 1);
    const long long across = (GDALGetRasterBandXSize(band) + (long long)block_width - 1) / block_width;
    const long long down = (GDALGetRasterBandYSize(band) + (long long)block_height - 1) / block_height;
    return std::min<long long>(across, width) * std::min<long long>(down, height) * block_width * block_height;
}

bool sample_elevation_grid(ElevationRaster* raster, int width, int height, std::vector<float>* grid,
                           long long* missing, std::string* error, ProgressFn progress, void* context) {
    // The overview estimate_sampled_cells counts on, or the band itself.
    GDALRasterBandH band = GDALGetRasterSampleOverviewEx(raster->band, (GUIntBig)width * height);
    const int in_width = GDALGetRasterBandXSize(band), in_height = GDALGetRasterBandYSize(band);
    std::vector<float> samples((size_t)width * height);
    std::vector<unsigned char> mask(raster->has_mask ? samples.size() : 0);
    GdalProgress gdal_progress = {progress, context};
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = GRIORA_NearestNeighbour;
    extra.pfnProgress = report_gdal_progress;
    extra.pProgressData = &gdal_progress;
    CPLErrorReset();
    if (GDALRasterIOEx(band, GF_Read, 0, 0, in_width, in_height, samples.data(), width, height, GDT_Float32, 0, 0,
                       &extra) != CE_None ||
        (raster->has_mask && GDALRasterIO(GDALGetMaskBand(band), GF_Read, 0, 0, in_width, in_height, mask.data(),
                                          width, height, GDT_Byte, 0, 0) != CE_None)) {
        *error = "cannot sample the raster: " + describe_gdal_error("read error");
        return false;
    }
    grid->resize(samples.size());
    long long missing_samples = 0;
    for (int y = 0; y < height; ++y) {
        // North first, as read_elevation_grid gives it.
        const int from = raster->flip_rows ? height - 1 - y : y;
        float* row = samples.data() + (size_t)from * width;
        const unsigned char* row_mask = raster->has_mask ? mask.data() + (size_t)from * width : nullptr;
        if (!convert_row(*raster, row, row_mask, width, &missing_samples, error)) return false;
        std::copy(row, row + width, grid->begin() + (size_t)y * width);
    }
    const double cells_per_sample = (double)raster->frame.width * raster->frame.height / samples.size();
    *missing = std::llround(missing_samples * cells_per_sample);
    return true;
}

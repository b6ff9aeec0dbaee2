// Fuzz target: the importer's whole run on rasters built from the input in
// GDAL's in-memory files (/vsimem/): sizes, data types, no-data, scale and
// offset, masks, geotransforms, coordinate systems, formats, and a map of
// one to four bands beside it; then what it wrote must load as the viewer
// loads it. Rasters stay small (at most 48 x 48 cells, or an empty sparse
// one beyond the size an import reads whole) so that a run takes milliseconds.
//
// The input, byte by byte (missing bytes read as 0):
//   0  bits 0-2 data type, 3 no-data, 4 scale and offset, 5 a mask,
//      6-7 format (GeoTIFF, ASCII grid, ENVI, Erdas Imagine)
//   1  width - 1 (mod 48); 0xff with byte 2 0xff: a sparse 32,769 x 32,769 GeoTIFF
//   2  height - 1 (mod 48)
//   3  geotransform (GEOTRANSFORMS; the last one takes six doubles from the input)
//   4  coordinate system (SYSTEMS)
//   5  no-data value, 6 scale, 7 offset (VALUES), 8 step between heights (STEPS)
//   9  options: bits 0-1 --grid none, N, CxR or CxR from the two next bytes;
//      2 --keep-heights; 3 --cell-size; 4-5 --exaggeration; 6 --map; 7 the
//      raster is the world's DEM/t.dem, which the import must refuse to replace
//  10  grid a, 11 grid b (2 + byte mod 63; over a sparse raster 2..16, or
//      4000 from 128 on, which the import refuses)
//  12  --cell-size (VALUES, its magnitude)
//  13  map: bits 0-1 bands - 1, 2 a palette, 3-5 data type; 6 no coordinates;
//      7 the map is the world's Drape/t.raw, which the import must refuse to replace
//  14  map width - 1, 15 map height - 1 (mod 48; 0xff with 0xff: a sparse huge map)
//  16  map geotransform, 17 map coordinate system
//  then the raw geotransforms' doubles, if any, then one byte per elevation
//  cell (from 0xe0 on a value of VALUES, below it (byte - 112) x step; the
//  low bit is the mask), then one byte per map sample; bytes are reused
//  from the start of the cells when they run out.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include "files/terrain_file.h"
#include "files/texture_file.h"
#include "fuzz/fuzz_support.h"
#include "import/import_run.h"
#include "import/terrain_location.h"

namespace {

const double VALUES[32] = {0.0,     1.0,       -1.0,        0.5,      100.0,   -100.0,   8848.0,   -11000.0,
                           32767.0, -32768.0,  65535.0,     2147483647.0, -2147483648.0, 4294967295.0, 1e-41,
                           1e-300,  1e30,      -1e30,       3.4e38,   -3.4e38, 1e39,     1e300,    NAN,
                           INFINITY, -INFINITY, -9999.0,    -3.4028234663852886e38, 1e15, 1e-7, 255.0, 128.0, 0.1};
const double STEPS[8] = {1.0, 0.01, 10.0, 1000.0, 1e-30, 1e20, 1e-41, 1e-5};
const GDALDataType TYPES[8] = {GDT_Byte,  GDT_UInt16,  GDT_Int16,   GDT_UInt32,
                               GDT_Int32, GDT_Float32, GDT_Float64, GDT_CInt16};
const GDALDataType MAP_TYPES[8] = {GDT_Byte, GDT_UInt16, GDT_Int16, GDT_Float32,
                                   GDT_Float64, GDT_Byte, GDT_Int32, GDT_Byte};
const char* const FORMATS[4][2] = {{"GTiff", "tif"}, {"AAIGrid", "asc"}, {"ENVI", "bil"}, {"HFA", "img"}};

constexpr int GEOTRANSFORM_COUNT = 14;
constexpr int RAW_GEOTRANSFORM = GEOTRANSFORM_COUNT - 1;
constexpr int NO_GEOTRANSFORM = 0;
const double GEOTRANSFORMS[GEOTRANSFORM_COUNT - 1][6] = {
    {0, 0, 0, 0, 0, 0},                              // unused: none
    {500000, 30, 0, 4000000, 0, -30},                // north up, metres
    {0, 30, 0, 0, 0, 30},                            // south up
    {1000, -30, 0, 0, 0, -30},                       // east first
    {0, 30, 5, 0, 5, -30},                           // rotated
    {7.5, 0.000833, 0, 46.5, 0, -0.000833},          // degrees
    {0, 0.01, 0, 89.99, 0, -0.01},                   // degrees over a pole
    {170, 1, 0, 95, 0, -1},                          // degrees beyond the pole and the date line
    {0, 0, 0, 0, 0, 0},                              // no cell size
    {0, 1e10, 0, 0, 0, -1e10},                       // vast cells
    {0, 1e-12, 0, 0, 0, -1e-12},                     // minute cells
    {NAN, 1, 0, 0, 0, -1},                           // not a number
    {0, 1, 0, 0, 0, 1},                              // GDAL's own default
};

// Coordinate systems as user input; made into WKT once.
const char* const SYSTEM_INPUTS[] = {
    "",
    "EPSG:4326",
    "EPSG:32633",
    "EPSG:3857",
    "EPSG:2263",  // feet
    "EPSG:4978",  // geocentric
    "LOCAL_CS[\"site\",UNIT[\"metre\",1]]",
    "+proj=longlat +R=6371000 +no_defs",
    "+proj=merc +a=6378137 +b=6378137 +units=km +no_defs",
    "EPSG:4326+5773",  // with heights above the geoid
    "+proj=longlat +a=3396190 +b=3376200 +no_defs",  // another planet
    "GARBAGE",
};
constexpr int SYSTEM_COUNT = sizeof SYSTEM_INPUTS / sizeof SYSTEM_INPUTS[0];
constexpr int LARGEST_SIDE = 48;
constexpr int SPARSE_SIDE = 32769;  // 32,769 squared cells are more than an import reads whole

const std::string FOLDER = "/vsimem/fuzz";

std::string systems[SYSTEM_COUNT];  // the WKT of each input, or the input itself when it makes none
std::string world;
FILE* discard;

// The cell bytes, reused from their start when they run out.
struct Cells {
    const uint8_t* data;
    size_t size, at;
    uint8_t next() {
        if (size == 0) return 0;
        if (at >= size) at = 0;
        return data[at++];
    }
};

double cell_value(uint8_t b, double step) { return b >= 0xe0 ? VALUES[b - 0xe0] : (b - 112) * step; }

void set_frame(GDALDatasetH ds, int gt_kind, const double* raw, int system) {
    if (gt_kind == RAW_GEOTRANSFORM) GDALSetGeoTransform(ds, const_cast<double*>(raw));
    else if (gt_kind != NO_GEOTRANSFORM) GDALSetGeoTransform(ds, const_cast<double*>(GEOTRANSFORMS[gt_kind]));
    if (!systems[system].empty()) GDALSetProjection(ds, systems[system].c_str());
}

bool write_band(GDALRasterBandH band, int width, int height, Cells* cells, double step, bool mask) {
    std::vector<double> values((size_t)width * height);
    std::vector<uint8_t> valid(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const uint8_t b = cells->next();
        values[i] = cell_value(b, step);
        valid[i] = (b & 1) ? 0 : 255;
    }
    if (GDALRasterIO(band, GF_Write, 0, 0, width, height, values.data(), width, height, GDT_Float64, 0, 0) !=
        CE_None)
        return false;
    if (!mask) return true;
    if (GDALCreateMaskBand(band, GMF_PER_DATASET) != CE_None) return true;  // not every format keeps one
    return GDALRasterIO(GDALGetMaskBand(band), GF_Write, 0, 0, width, height, valid.data(), width, height, GDT_Byte, 0,
                        0) == CE_None;
}

// An empty tiled GeoTIFF of SPARSE_SIDE x SPARSE_SIDE cells: its blocks read as no-data or 0.
bool write_sparse(const std::string& path, GDALDataType type, int gt_kind, const double* raw, int system,
                  bool no_data, double no_data_value) {
    const char* options[] = {"SPARSE_OK=TRUE", "TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", "BIGTIFF=YES",
                             nullptr};
    GDALDatasetH ds =
        GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), SPARSE_SIDE, SPARSE_SIDE, 1, type, (char**)options);
    if (!ds) return false;
    set_frame(ds, gt_kind, raw, system);
    if (no_data) GDALSetRasterNoDataValue(GDALGetRasterBand(ds, 1), no_data_value);
    GDALClose(ds);
    return true;
}

// The elevation raster from the input's first bytes and the cells; false when GDAL would not make it.
bool write_elevation(const std::string& path, const char* driver, uint8_t flags, int width, int height, int gt_kind,
                     const double* raw, int system, const uint8_t* head, Cells* cells) {
    const GDALDataType type = TYPES[flags & 7];
    const double no_data = VALUES[head[5] & 31], step = STEPS[head[8] & 7];
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("MEM"), "", width, height, 1, type, nullptr);
    if (!ds) return false;
    set_frame(ds, gt_kind, raw, system);
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    if (flags & 8) GDALSetRasterNoDataValue(band, no_data);
    if (flags & 16) {
        GDALSetRasterScale(band, VALUES[head[6] & 31]);
        GDALSetRasterOffset(band, VALUES[head[7] & 31]);
    }
    bool ok = write_band(band, width, height, cells, step, flags & 32);
    GDALDatasetH copy = ok ? GDALCreateCopy(GDALGetDriverByName(driver), path.c_str(), ds, FALSE, nullptr, nullptr,
                                            nullptr)
                           : nullptr;
    if (copy) GDALClose(copy);
    GDALClose(ds);
    return copy != nullptr;
}

bool write_map(const std::string& path, uint8_t flags, int width, int height, int gt_kind, const double* raw,
               int system, Cells* cells) {
    const int bands = 1 + (flags & 3);
    const GDALDataType type = MAP_TYPES[(flags >> 3) & 7];
    GDALDatasetH ds;
    if (width == SPARSE_SIDE) {
        const char* options[] = {"SPARSE_OK=TRUE", "TILED=YES", "BIGTIFF=YES", nullptr};
        ds = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), width, height, bands, GDT_Byte, (char**)options);
        if (ds) GDALClose(ds);
        return ds != nullptr;
    }
    ds = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), width, height, bands, type, nullptr);
    if (!ds) return false;
    if (!(flags & 64)) set_frame(ds, gt_kind, raw, system);
    bool ok = true;
    for (int b = 1; b <= bands && ok; ++b) ok = write_band(GDALGetRasterBand(ds, b), width, height, cells, 1.0, false);
    if (ok && bands == 1 && (flags & 4) && type == GDT_Byte) {
        GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
        for (int i = 0; i < 256; i += 17) {
            GDALColorEntry entry = {(short)i, (short)(255 - i), (short)(i * 7 % 256), 255};
            GDALSetColorEntry(table, i, &entry);
        }
        GDALSetRasterColorTable(GDALGetRasterBand(ds, 1), table);
        GDALDestroyColorTable(table);
    }
    GDALClose(ds);
    return ok;
}

int side(uint8_t b) { return 1 + b % LARGEST_SIDE; }

// The --grid value for the option bits and the two grid bytes.
std::string grid_value(int mode, uint8_t a, uint8_t b, bool sparse) {
    auto count = [&](uint8_t v) { return sparse ? (v >= 128 ? 4000 : 2 + v % 15) : 2 + v % 63; };
    switch (mode) {
        case 1: return std::to_string(count(a));
        case 2: return std::to_string(count(a)) + "x" + std::to_string(count(b));
        case 3: return std::to_string(a) + "x" + std::to_string(b);  // 0 and 1 are refused by the options
    }
    return "";
}

// Bytes of a file of the world or of /vsimem/; -1 when there is none.
long long file_size(const std::string& path) {
    VSIStatBufL info;
    return VSIStatL(path.c_str(), &info) == 0 ? (long long)info.st_size : -1;
}

void remove_outputs() {
    for (const char* f : {"DEM/t.dem", "DEM/t.location", "Drape/t.raw", "Drape/t.info", "Map/t.raw", "Map/t.info"})
        remove((world + "/" + f).c_str());
}

// No temporary file of a run may stay behind, whatever became of the run.
void require_no_temporaries() {
    for (const char* folder : {"DEM", "Drape", "Map"}) {
        DIR* dir = opendir((world + "/" + folder).c_str());
        if (!dir) continue;
        while (struct dirent* entry = readdir(dir))
            fuzz_require(strncmp(entry->d_name, ".import-", 8) != 0, "an import leaves no temporary file");
        closedir(dir);
    }
}

void require_image(const std::string& raw, const std::string& info, int components) {
    char error[TERRAIN_ERROR_SIZE];
    int width = 0, height = 0, read_components = 0;
    fuzz_require(read_info_file(info.c_str(), &width, &height, &read_components, error, sizeof error),
                 "a written info file reads back");
    fuzz_require(components == 0 || read_components == components, "an image has the components it should");
    unsigned char* pixels = nullptr;
    fuzz_require(read_raw_image(raw.c_str(), width, height, read_components, &pixels, error, sizeof error),
                 "a written image reads back at its info file's size");
    free(pixels);
}

// What an import that succeeded wrote must load as the viewer and the track tools load it.
void require_loadable_world(bool map) {
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    const std::string dem = world + "/DEM/t.dem";
    fuzz_require(read_terrain_file(dem.c_str(), &parse, error, sizeof error), "an imported terrain loads");
    free_terrain_parse(&parse);
    require_image(world + "/Drape/t.raw", world + "/Drape/t.info", 3);
    if (map) require_image(world + "/Map/t.raw", world + "/Map/t.info", 0);
    TerrainLocation location;
    std::string message;
    fuzz_require(read_terrain_location(world + "/DEM/t.location", &location, &message),
                 "an imported terrain's location reads back");
    fuzz_require(location.height_factor > 0.0 && std::isfinite(location.height_offset),
                 "the location's heights are usable");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    GDALAllRegister();
    CPLSetConfigOption("GDAL_CACHEMAX", "32");  // megabytes: each raster is read once
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");  // no .aux.xml beside the rasters
    CPLPushErrorHandler(CPLQuietErrorHandler);
    for (int i = 0; i < SYSTEM_COUNT; ++i) {
        systems[i] = SYSTEM_INPUTS[i];
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        char* wkt = nullptr;
        if (*SYSTEM_INPUTS[i] && OSRSetFromUserInput(srs, SYSTEM_INPUTS[i]) == OGRERR_NONE &&
            OSRExportToWkt(srs, &wkt) == OGRERR_NONE)
            systems[i] = wkt;
        CPLFree(wkt);
        OSRDestroySpatialReference(srs);
    }
    world = fuzz_scratch_dir() + "/world";
    for (const char* folder : {"", "/DEM", "/Drape", "/Map"})
        fuzz_require(mkdir((world + folder).c_str(), 0755) == 0, "world made");
    // KESTROLANE_FUZZ_VERBOSE=1 shows what each run says (to see what seeds reach).
    discard = getenv("KESTROLANE_FUZZ_VERBOSE") ? stderr : fopen("/dev/null", "w");
    fuzz_require(discard != nullptr, "/dev/null opens");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t head[18] = {0};
    memcpy(head, data, size < sizeof head ? size : sizeof head);
    FuzzReader input = {data, size, sizeof head};

    const uint8_t flags = head[0], options_bits = head[9], map_flags = head[13];
    const bool sparse = head[1] == 0xff && head[2] == 0xff;
    const int width = sparse ? SPARSE_SIDE : side(head[1]), height = sparse ? SPARSE_SIDE : side(head[2]);
    const int gt_kind = head[3] % GEOTRANSFORM_COUNT, system = head[4] % SYSTEM_COUNT;
    const bool map = options_bits & 64;
    const bool map_sparse = head[14] == 0xff && head[15] == 0xff;
    const int map_width = map_sparse ? SPARSE_SIDE : side(head[14]);
    const int map_height = map_sparse ? SPARSE_SIDE : side(head[15]);
    const int map_gt_kind = head[16] % GEOTRANSFORM_COUNT, map_system = head[17] % SYSTEM_COUNT;
    double raw[6] = {0}, map_raw[6] = {0};
    if (gt_kind == RAW_GEOTRANSFORM)
        for (double& v : raw) v = input.number();
    if (map && map_gt_kind == RAW_GEOTRANSFORM)
        for (double& v : map_raw) v = input.number();
    Cells cells = input.at < size ? Cells{data + input.at, size - input.at, 0} : Cells{data, 0, 0};

    const char* const* format = sparse ? FORMATS[0] : FORMATS[(flags >> 6) & 3];
    const bool elevation_in_world = options_bits & 128, map_in_world = map && (map_flags & 128);
    const std::string elevation = elevation_in_world ? world + "/DEM/t.dem" : FOLDER + "/elevation." + format[1];
    const std::string map_path = map_in_world ? world + "/Drape/t.raw" : FOLDER + "/map.tif";
    remove_outputs();
    bool made = sparse ? write_sparse(elevation, TYPES[flags & 7], gt_kind, raw, system, flags & 8,
                                      VALUES[head[5] & 31])
                       : write_elevation(elevation, format[0], flags, width, height, gt_kind, raw, system, head,
                                         &cells);
    if (made && map) made = write_map(map_path, map_flags, map_width, map_height, map_gt_kind, map_raw, map_system,
                                      &cells);

    if (made) {
        std::vector<std::string> words = {"kestrolane-import", "--world", world, "--name", "t"};
        const std::string grid = grid_value(options_bits & 3, head[10], head[11], sparse);
        if (!grid.empty()) words.insert(words.end(), {"--grid", grid});
        if (options_bits & 4) words.push_back("--keep-heights");
        if (options_bits & 8) {
            char text[32];
            snprintf(text, sizeof text, "%.17g", std::fabs(VALUES[head[12] & 31]));
            words.insert(words.end(), {"--cell-size", text});
        }
        const char* exaggerations[4] = {"1", "0.001", "1000", "3.5"};
        if (options_bits & 48) words.insert(words.end(), {"--exaggeration", exaggerations[(options_bits >> 4) & 3]});
        if (map) words.insert(words.end(), {"--map", map_path});
        words.push_back(elevation);
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);

        ImportOptions options;
        std::string error;
        if (parse_import_options((int)argv.size() - 1, argv.data(), &options, &error)) {
            const long long elevation_bytes = file_size(elevation), map_bytes = map ? file_size(map_path) : 0;
            const int status = run_import(options, discard, discard);
            fuzz_require(status == IMPORT_OK || status == IMPORT_FAILED, "an import ends done or refused");
            require_no_temporaries();
            if (elevation_in_world || map_in_world)
                fuzz_require(status == IMPORT_FAILED && file_size(elevation) == elevation_bytes &&
                                 (!map || file_size(map_path) == map_bytes),
                             "an import never replaces a raster it reads");
            if (status == IMPORT_OK) require_loadable_world(map);
        }
    }
    VSIRmdirRecursive(FOLDER.c_str());
    return 0;
}

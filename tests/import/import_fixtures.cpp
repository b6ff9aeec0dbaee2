// Rasters made with GDAL for the importer's tests, and running the tool on them.
#include "tests/import/import_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include "import/import_run.h"
#include "import/track_run.h"
#include "tests/support/temp_files.h"

RasterRecipe small_raster() {
    RasterRecipe recipe;
    recipe.width = 8;
    recipe.height = 6;
    recipe.geotransform = {0.0, 30.0, 0.0, 0.0, 0.0, -30.0};
    recipe.epsg = 32631;
    recipe.value = [](int x, int y, int) { return 10.0 * x + y; };
    return recipe;
}

bool write_raster(const std::string& path, const RasterRecipe& recipe) {
    GDALAllRegister();
    GDALDriverH memory = GDALGetDriverByName("MEM");
    GDALDatasetH ds = GDALCreate(memory, "", recipe.width, recipe.height, recipe.bands, (GDALDataType)recipe.type, nullptr);
    if (!ds) return false;
    if (!recipe.geotransform.empty()) GDALSetGeoTransform(ds, const_cast<double*>(recipe.geotransform.data()));
    if (recipe.epsg) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, recipe.epsg);
        char* wkt = nullptr;
        OSRExportToWkt(srs, &wkt);
        GDALSetProjection(ds, wkt);
        CPLFree(wkt);
        OSRDestroySpatialReference(srs);
    }
    std::vector<double> row(recipe.width);
    bool ok = true;
    for (int b = 1; b <= recipe.bands && ok; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        if (recipe.has_no_data) GDALSetRasterNoDataValue(band, recipe.no_data);
        if (recipe.scale != 1.0) GDALSetRasterScale(band, recipe.scale);
        if (recipe.offset != 0.0) GDALSetRasterOffset(band, recipe.offset);
        for (int y = 0; y < recipe.height && ok; ++y) {
            for (int x = 0; x < recipe.width; ++x) row[x] = recipe.value(x, y, b);
            ok = GDALRasterIO(band, GF_Write, 0, y, recipe.width, 1, row.data(), recipe.width, 1, GDT_Float64, 0, 0) ==
                 CE_None;
        }
    }
    GDALDatasetH copy = ok ? GDALCreateCopy(GDALGetDriverByName(recipe.driver.c_str()), path.c_str(), ds, FALSE,
                                            nullptr, nullptr, nullptr)
                           : nullptr;
    if (!copy) std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), CPLGetLastErrorMsg());
    if (copy) GDALClose(copy);
    GDALClose(ds);
    return copy != nullptr;
}

bool write_sparse_raster(const std::string& path, int width, int height) {
    GDALAllRegister();
    const char* options[] = {"SPARSE_OK=TRUE", "TILED=YES", "BIGTIFF=YES", nullptr};
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), width, height, 1, GDT_Float32,
                                 (char**)options);
    if (ds) GDALClose(ds);
    return ds != nullptr;
}

bool write_two_variable_netcdf(const std::string& path) {
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName("netCDF");
    GDALDatasetH ds = driver ? GDALCreateMultiDimensional(driver, path.c_str(), nullptr, nullptr) : nullptr;
    if (!ds) return false;
    GDALGroupH root = GDALDatasetGetRootGroup(ds);
    GDALDimensionH dims[2] = {GDALGroupCreateDimension(root, "y", nullptr, nullptr, 4, nullptr),
                              GDALGroupCreateDimension(root, "x", nullptr, nullptr, 5, nullptr)};
    GDALExtendedDataTypeH type = GDALExtendedDataTypeCreate(GDT_Float32);
    bool ok = dims[0] && dims[1];
    for (const char* name : {"elevation", "temperature"}) {
        GDALMDArrayH array = ok ? GDALGroupCreateMDArray(root, name, 2, dims, type, nullptr) : nullptr;
        ok = array != nullptr;
        if (array) GDALMDArrayRelease(array);
    }
    GDALExtendedDataTypeRelease(type);
    for (GDALDimensionH d : dims)
        if (d) GDALDimensionRelease(d);
    GDALGroupRelease(root);
    GDALClose(ds);
    return ok;
}

namespace {

// This process's address space, bytes; 0 if unknown.
size_t measure_address_space() {
    const std::string status = read_file("/proc/self/status");
    const size_t at = status.find("VmSize:");
    return at == std::string::npos ? 0 : std::strtoull(status.c_str() + at + 7, nullptr, 10) * 1024;
}

}  // namespace

ToolRun run_import_tool(const std::vector<std::string>& args, int most_seconds, const char* program) {
    ToolRun run;
    const std::string dir = make_temp_dir();
    const std::string out_path = dir + "/out", err_path = dir + "/err";
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        const rlimit memory = {4ul << 30, 4ul << 30};
        setrlimit(RLIMIT_AS, &memory);
        alarm((unsigned)most_seconds);  // kept across exec: SIGALRM ends a run that hangs
        std::vector<char*> argv = {const_cast<char*>(program)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.out = read_file(out_path);
    run.err = read_file(err_path);
    std::filesystem::remove_all(dir);
    return run;
}

std::string make_world() {
    const std::string dir = make_temp_dir();
    for (const char* folder : {"/DEM", "/Drape", "/Map"}) std::filesystem::create_directory(dir + folder);
    return dir;
}

void remove_world(const std::string& dir) {
    if (dir.rfind("/tmp/kestrolane-test-", 0) == 0) std::filesystem::remove_all(dir);
}

std::vector<std::string> list_world(const std::string& dir) {
    std::vector<std::string> entries;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        std::string line = e.path().string().substr(dir.size());
        if (e.is_regular_file()) line += " " + std::to_string(e.file_size());
        entries.push_back(line);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

TerrainParse load_terrain(const std::string& path) {
    TerrainParse parse{};
    char error[TERRAIN_ERROR_SIZE] = "";
    EXPECT_TRUE(read_terrain_file(path.c_str(), &parse, error, sizeof error)) << error;
    return parse;
}

bool read_info(const std::string& path, int* width, int* height, int* components) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    const bool ok = std::fscanf(f, "%d %d %d", width, height, components) == 3;
    std::fclose(f);
    return ok;
}

ToolRun run_with_memory_room(const std::vector<std::string>& args, size_t room) {
    ToolRun run;
    const std::string dir = make_temp_dir(), err_path = dir + "/err";
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::FILE* err = std::fopen(err_path.c_str(), "w");
        std::FILE* out = std::fopen("/dev/null", "w");
        std::vector<char*> argv = {const_cast<char*>("kestrolane-import")};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        ImportOptions options;
        std::string error;
        if (!err || !out || !parse_import_options((int)argv.size(), argv.data(), &options, &error)) _exit(125);
        const rlimit limit = {measure_address_space() + room, RLIM_INFINITY};
        if (limit.rlim_cur == room || setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
        alarm(60);
        int status = 0;
        try {
            status = options.track_path.empty() ? run_import(options, out, err) : run_track(options, out, err);
        } catch (...) {
            std::abort();  // as an exception out of the tool's main ends it
        }
        std::fclose(err);
        _exit(status);
    }
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.err = read_file(err_path);
    std::filesystem::remove_all(dir);
    return run;
}

std::vector<std::string> find_temporaries(const std::string& world) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(world))
        if (e.path().filename().string().rfind(".kestrolane", 0) == 0) found.push_back(e.path().string());
    return found;
}

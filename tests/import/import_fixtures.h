// Rasters made with GDAL for the importer's tests, and running the tool on them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "files/terrain_file.h"

// A raster to write: size, bands, type, placement and a value per cell.
struct RasterRecipe {
    std::string driver = "GTiff";
    int width = 0, height = 0;
    int bands = 1;
    int type = 6;                  // a GDALDataType; 6 is Float32
    std::vector<double> geotransform;  // empty: none
    int epsg = 0;                  // 0: no coordinate system
    bool has_no_data = false;
    double no_data = 0.0;
    double scale = 1.0, offset = 0.0;  // height = stored value * scale + offset
    std::function<double(int column, int row, int band)> value;
};

// 8 x 6 cells of 30 m in UTM, rising 10 m a column eastwards and 1 m a row southwards.
RasterRecipe small_raster();

// Writes the raster (through a memory copy for drivers that only copy);
// false with a message on stderr if GDAL refuses.
bool write_raster(const std::string& path, const RasterRecipe& recipe);

// Creates a width x height Float32 GeoTIFF without writing a cell: tiled and
// sparse, a few megabytes however large (its cells read as 0).
bool write_sparse_raster(const std::string& path, int width, int height);

// Writes a netCDF file holding two 2-D variables, which GDAL opens with no
// bands of its own (each variable is a sub-dataset); false if GDAL refuses.
bool write_two_variable_netcdf(const std::string& path);

// What a run of the tool left: exit status and everything it printed.
struct ToolRun {
    int status = -1;
    std::string out;  // standard output (the summary)
    std::string err;  // standard error (progress bars and refusals)
};

// Runs build/kestrolane-import (or `program`) with args and waits for it. A
// run that takes more than most_seconds or 4 GB of address space is killed
// (status -1), so that a hang or a runaway fails the test instead of the machine.
ToolRun run_import_tool(const std::vector<std::string>& args, int most_seconds = 120,
                        const char* program = KESTROLANE_IMPORT_EXE);

// Runs the tool's command (raster import or track) in a child of this
// process whose address space may grow by only `room` bytes: GDAL and the
// libraries are mapped already, so the limit bears on what the run itself
// allocates. The exit status (-1 when a signal ended it, as an abort does)
// and stderr; stdout is dropped.
ToolRun run_with_memory_room(const std::vector<std::string>& args, size_t room);

// Temporary files of saves left anywhere under `world`.
std::vector<std::string> find_temporaries(const std::string& world);

// A scratch world folder with empty DEM, Drape and Map folders; removed by remove_world.
std::string make_world();
void remove_world(const std::string& dir);

// Every file under dir, relative paths with sizes, sorted: a fingerprint to compare before and after.
std::vector<std::string> list_world(const std::string& dir);

// Loads a terrain through the viewer's own loader; empty parse (and a test failure) if it refuses.
TerrainParse load_terrain(const std::string& path);

// Reads "W H C" from an info file; false if it does not hold three numbers.
bool read_info(const std::string& path, int* width, int* height, int* components);

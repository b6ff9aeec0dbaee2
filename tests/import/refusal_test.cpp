// Refusals of the import tool: one clear line, a non-zero status, and the world left as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "tests/import/import_fixtures.h"

namespace {

void write_text(const std::string& path, const char* text) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
}

}  // namespace

TEST(ImportRefusals, BadInputIsRefusedWithOneLineAndTheWorldUntouched) {
    const std::string world = make_world();
    const std::string good = world + "/good.tif";
    ASSERT_TRUE(write_raster(good, small_raster()));
    RasterRecipe rgb = small_raster();
    rgb.bands = 3;
    rgb.type = 1;
    ASSERT_TRUE(write_raster(world + "/photo.tif", rgb));
    RasterRecipe line = small_raster();
    line.height = 1;
    ASSERT_TRUE(write_raster(world + "/line.tif", line));
    RasterRecipe voids = small_raster();
    voids.has_no_data = true;
    voids.no_data = -1.0;
    voids.value = [](int, int, int) { return -1.0; };
    ASSERT_TRUE(write_raster(world + "/voids.tif", voids));
    RasterRecipe adrift = small_raster();
    adrift.geotransform[0] = NAN;  // its location could not be recorded
    ASSERT_TRUE(write_raster(world + "/adrift.tif", adrift));
    write_text(world + "/notes.txt", "these are not heights\n");
    ASSERT_TRUE(write_two_variable_netcdf(world + "/climate.nc"));
    // A terrain that a failed import must leave alone.
    write_text(world + "/DEM/good.dem", "v 0 0 0\n");
    const std::vector<std::string> before = list_world(world);

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        // The cause is named: no such file, a folder, a file GDAL does not read.
        {{world + "/missing.tif"}, 1, "missing.tif': No such file or directory"},
        {{world + "/DEM"}, 1, "DEM': it is a folder"},
        {{world + "/notes.txt"}, 1, "cannot read '"},
        {{world + "/climate.nc"}, 1, "holds no raster bands; name one of its sub-datasets instead: NETCDF:"},
        {{world + "/photo.tif"}, 1, "has 3 bands; an elevation raster has one"},
        {{world + "/line.tif"}, 1, "is 8 x 1 cells; a terrain needs at least 2 x 2"},
        {{world + "/voids.tif"}, 1, "holds no heights: every cell is no-data"},
        {{world + "/adrift.tif"}, 1, "geotransform holds a number that is not finite"},
        {{"--cell-size", "30", world + "/adrift.tif"}, 1, "geotransform holds a number that is not finite"},
        {{"--grid", "1", good}, 2, "is smaller than 2 x 2 vertices"},
        {{"--grid", "40x1", good}, 2, "is smaller than 2 x 2 vertices"},
        {{"--name", "../escape", good}, 1, "would leave the world's folders"},
        {{"--name", "sub/dir", good}, 1, "would leave the world's folders"},
        {{"--name", "two.parts", good}, 1, "holds a '.'"},
        {{"--map", world + "/missing.png", good}, 1, "cannot read map '" + world + "/missing.png': No such file"},
        {{"--map", world + "/Map", good}, 1, "Map': it is a folder"},
        {{"--exaggeration", "0", good}, 2, "--exaggeration takes a number above 0"},
        // Cells the terrain file's millimetres cannot hold (every vertex once came out at 0.000), or too large.
        {{"--cell-size", "1e-300", good}, 2,
         "--cell-size takes metres from 0.01 (the terrain file keeps millimetres) up to 1000000, not '1e-300'"},
        {{"--cell-size", "0.0099", good}, 2, "--cell-size takes metres from 0.01 "},
        {{"--cell-size", "1e7", good}, 2, "--cell-size takes metres from 0.01 "},
        {{"--frobnicate", good}, 2, "unknown option '--frobnicate'"},
        {{}, 2, "no elevation raster given"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--world", world};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ToolRun run = run_import_tool(args);
        const std::string what = c.args.empty() ? "(none)" : c.args.back();
        EXPECT_EQ(run.status, c.status) << what;
        // The refusal is the last line, after any finished progress bars.
        const size_t start = run.err.rfind('\n', run.err.size() - 2) + 1;
        const std::string last = run.err.substr(start);
        EXPECT_EQ(last.rfind("kestrolane-import: ", 0), 0u) << what << ": " << run.err;
        EXPECT_NE(last.find(c.message), std::string::npos) << what << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << what;
    }
    EXPECT_EQ(list_world(world), before);
    remove_world(world);
}

TEST(ImportRefusals, AnUnwritableWorldIsRefusedBeforeAnythingIsWritten) {
    const std::string world = make_world();
    const std::string good = world + "/good.tif";
    ASSERT_TRUE(write_raster(good, small_raster()));

    ToolRun run = run_import_tool({"--world", good, good});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is not a folder"), std::string::npos) << run.err;

    // The Map folder is a file: the terrain and drape, which could be
    // written, must not appear (nor replace older ones) without the map.
    std::remove((world + "/Map").c_str());
    write_text(world + "/Map", "in the way\n");
    write_text(world + "/DEM/good.dem", "older terrain\n");
    const std::vector<std::string> before = list_world(world);
    run = run_import_tool({"--world", world, "--map", good, good});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot write into '" + world + "/Map'"), std::string::npos) << run.err;
    EXPECT_EQ(list_world(world), before);

    // A read-only DEM folder (only meaningful when not running as root).
    std::remove((world + "/Map").c_str());
    if (geteuid() != 0) {
        chmod((world + "/DEM").c_str(), 0555);
        run = run_import_tool({"--world", world, good});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("cannot write into"), std::string::npos) << run.err;
        chmod((world + "/DEM").c_str(), 0755);
    }
    remove_world(world);
}

// The smallest and largest cell sizes accepted make terrains whose every
// column and row has a place of its own, at the size asked for.
TEST(ImportRefusals, TheCellSizesAcceptedMakeTerrainsThatHoldTheirGrid) {
    const std::string world = make_world();
    ASSERT_TRUE(write_raster(world + "/good.tif", small_raster()));
    for (const char* size : {"0.01", "1000000"}) {
        ToolRun run = run_import_tool({"--world", world, "--cell-size", size, world + "/good.tif"});
        ASSERT_EQ(run.status, 0) << size << ": " << run.err;
        TerrainParse terrain = load_terrain(world + "/DEM/good.dem");
        ASSERT_EQ(terrain.vertex_count, 8 * 6) << size;
        const double cell = std::atof(size);
        for (int i = 0; i < terrain.vertex_count; ++i) {
            // Written in millimetres, read back as a float.
            const double x = (i % 8 - 3.5) * cell * 8 / 7, z = (i / 8 - 2.5) * cell * 6 / 5;
            EXPECT_NEAR(terrain.vertices[i].x, x, 0.0005 + 1e-7 * std::fabs(x)) << size << " " << i;
            EXPECT_NEAR(terrain.vertices[i].z, z, 0.0005 + 1e-7 * std::fabs(z)) << size << " " << i;
        }
        free_terrain_parse(&terrain);
    }
    remove_world(world);
}

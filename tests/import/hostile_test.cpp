// Hostile input to the import tool: heights scaled to infinity, outputs that are
// inputs, named pipes, denormal and hair-thin rasters, rasters far too large to read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/import/import_fixtures.h"
#include "tests/support/temp_files.h"

namespace {

// A run that hangs or runs away is killed after this many seconds.
constexpr int QUICK_RUN_SECONDS = 30;

// The last line the tool printed on stderr (the refusal comes after any progress).
std::string last_line(const std::string& err) {
    const size_t end = err.size() > 1 ? err.size() - 2 : 0;
    const size_t start = err.rfind('\n', end);
    return err.substr(start == std::string::npos ? 0 : start + 1);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// A 2 x 2 grid of 1, -1, -1 and no-data whose scale makes +inf and -inf of
// them (the filling once averaged those to NaN and added levels for ever).
TEST(ImportHostile, HeightsThatScaleAndOffsetMakeInfiniteAreRefusedNamingTheRaster) {
    const std::string world = make_world();
    RasterRecipe recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.has_no_data = true;
    recipe.no_data = -9999.0;
    recipe.value = [](int x, int y, int) { return x + y == 0 ? 1.0 : x + y == 1 ? -1.0 : -9999.0; };
    recipe.scale = 1e300;
    ASSERT_TRUE(write_raster(world + "/scaled.tif", recipe));
    recipe.scale = 1.0;
    recipe.offset = -1e39;  // beyond a float, though the stored values are small
    ASSERT_TRUE(write_raster(world + "/offset.tif", recipe));
    const std::vector<std::string> before = list_world(world);

    for (const char* name : {"/scaled.tif", "/offset.tif"}) {
        ToolRun run = run_import_tool({"--world", world, world + name}, QUICK_RUN_SECONDS);
        EXPECT_EQ(run.status, 1) << name << ": " << run.err;
        const std::string line = last_line(run.err);
        EXPECT_TRUE(contains(line, "kestrolane-import: '" + world + name + "'")) << run.err;
        EXPECT_TRUE(contains(line, "heights must be finite and below 1e+30")) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(list_world(world), before);
    remove_world(world);
}

// A raster or map inside the world under the name an output would take: the
// import would replace it with its own drape, terrain or map.
TEST(ImportHostile, AnOutputThatIsAnInputIsRefusedAndTheInputKept) {
    const std::string world = make_world();
    // GDAL knows a GeoTIFF by its contents, whatever the file is called.
    ASSERT_TRUE(write_raster(world + "/Drape/valley.raw", small_raster()));
    ASSERT_TRUE(write_raster(world + "/Map/ridge.raw", small_raster()));
    ASSERT_TRUE(write_raster(world + "/ridge.tif", small_raster()));
    ASSERT_TRUE(write_raster(world + "/DEM/peak.dem", small_raster()));
    ASSERT_EQ(symlink("../DEM/peak.dem", (world + "/Drape/linked.raw").c_str()), 0);
    const std::string valley = read_file(world + "/Drape/valley.raw");
    const std::string ridge = read_file(world + "/Map/ridge.raw");
    const std::string peak = read_file(world + "/DEM/peak.dem");
    const std::vector<std::string> before = list_world(world);

    struct Case {
        std::vector<std::string> args;
        std::string replaced;  // the input an output would have replaced
    } cases[] = {
        {{world + "/Drape/valley.raw"}, world + "/Drape/valley.raw"},
        {{"--map", world + "/Map/ridge.raw", world + "/ridge.tif"}, world + "/Map/ridge.raw"},
        {{world + "/DEM/peak.dem"}, world + "/DEM/peak.dem"},
        // Through a link: Drape/linked.raw is DEM/peak.dem.
        {{"--name", "linked", world + "/DEM/peak.dem"}, world + "/DEM/peak.dem"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--world", world};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ToolRun run = run_import_tool(args, QUICK_RUN_SECONDS);
        EXPECT_EQ(run.status, 1) << c.args.back() << ": " << run.err;
        const std::string line = last_line(run.err);
        EXPECT_TRUE(contains(line, "'" + c.replaced + "' is read by this import")) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(list_world(world), before);
    EXPECT_EQ(read_file(world + "/Drape/valley.raw"), valley);
    EXPECT_EQ(read_file(world + "/Map/ridge.raw"), ridge);
    EXPECT_EQ(read_file(world + "/DEM/peak.dem"), peak);
    remove_world(world);
}

// Opening a named pipe waits for a writer for ever; it is no raster anyway.
TEST(ImportHostile, ANamedPipeIsRefusedAtOnceAsRasterOrMap) {
    const std::string world = make_world();
    const std::string good = world + "/good.tif", pipe = world + "/pipe.tif";
    ASSERT_TRUE(write_raster(good, small_raster()));
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::vector<std::string> before = list_world(world);

    ToolRun run = run_import_tool({"--world", world, pipe}, QUICK_RUN_SECONDS);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(contains(last_line(run.err), "cannot read '" + pipe + "': it is a named pipe, not a regular file"))
        << run.err;
    run = run_import_tool({"--world", world, "--map", pipe, good}, QUICK_RUN_SECONDS);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(contains(last_line(run.err), "cannot read map '" + pipe + "': it is a named pipe")) << run.err;
    EXPECT_EQ(list_world(world), before);
    remove_world(world);
}

// Run by an importer built to stop at any undefined behaviour: heights and a
// map of 0 and a denormal 1e-41 (whose range once made the tint and stretch
// factors infinite, and inf x 0 was cast to an integer), and cells 1e-300 m
// wide (whose aspect once overflowed the grid's choice).
TEST(ImportHostile, DenormalAndHairThinRastersConvertNothingOutOfRange) {
    const std::string world = make_world();
    RasterRecipe denormal = small_raster();
    denormal.geotransform.clear();
    denormal.epsg = 0;
    denormal.value = [](int x, int y, int) { return (x + y) % 2 ? 1e-41 : 0.0; };
    ASSERT_TRUE(write_raster(world + "/denormal.tif", denormal));
    RasterRecipe thin = small_raster();
    thin.geotransform = {0.0, 1e-300, 0.0, 0.0, 0.0, -1.0};
    thin.epsg = 0;
    ASSERT_TRUE(write_raster(world + "/thin.tif", thin));

    const std::vector<std::vector<std::string>> runs = {
        {"--map", world + "/denormal.tif", world + "/denormal.tif"},
        {world + "/thin.tif"},
        {"--grid", "40", world + "/thin.tif"},
    };
    for (const std::vector<std::string>& args : runs) {
        std::vector<std::string> all = {"--world", world};
        all.insert(all.end(), args.begin(), args.end());
        ToolRun run = run_import_tool(all, QUICK_RUN_SECONDS, KESTROLANE_IMPORT_SANITIZED_EXE);
        EXPECT_EQ(run.status, 0) << args.back() << ": " << run.err;
        EXPECT_FALSE(contains(run.err, "runtime error")) << run.err;
    }
    int width = 0, height = 0, components = 0;
    ASSERT_TRUE(read_info(world + "/Map/denormal.info", &width, &height, &components));
    EXPECT_EQ(read_file(world + "/Map/denormal.raw").size(), (size_t)width * height * components);
    EXPECT_EQ(read_file(world + "/Drape/thin.raw").size(), 512u * 512u * 3u);
    remove_world(world);
}

// 200,000 x 200,000 cells in 7 MB: read whole it took over five minutes and
// 1.4 GB, silently when stderr is not a terminal.
TEST(ImportHostile, AHugeRasterIsRefusedAtOnceUnlessAGridSamplesIt) {
    const std::string world = make_world();
    const std::string huge = world + "/huge.tif";
    ASSERT_TRUE(write_sparse_raster(huge, 200000, 200000));
    const std::vector<std::string> before = list_world(world);

    ToolRun run = run_import_tool({"--world", world, huge}, QUICK_RUN_SECONDS);
    EXPECT_EQ(run.status, 1) << run.err;
    const std::string line = last_line(run.err);
    EXPECT_TRUE(contains(line, "'" + huge + "' is 200,000 x 200,000 cells")) << run.err;
    EXPECT_TRUE(contains(line, "at most 1,073,741,824")) << run.err;
    EXPECT_TRUE(contains(line, "--grid")) << run.err;
    EXPECT_EQ(list_world(world), before);

    run = run_import_tool({"--world", world, "--grid", "60", huge}, QUICK_RUN_SECONDS);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "a 60 x 60 grid")) << run.out;
    EXPECT_TRUE(contains(run.err, "sampling 60 x 60 of its 200,000 x 200,000 cells")) << run.err;
    // Not a terminal: the steps still show how far they are, line by line.
    EXPECT_TRUE(contains(run.err, "Reading     [###############---------------]  50%\n")) << run.err;
    EXPECT_TRUE(contains(run.err, "Shading     [##############################] 100%\n")) << run.err;
    remove_world(world);
}

// A map whose geotransform puts it at coordinates no coordinate system
// reaches: warping it onto the terrain once sent PROJ searching for many
// minutes. It is refused at once and the world is left as it was.
TEST(ImportHostile, AMapPlacedBeyondAnyCoordinateSystemIsRefusedAtOnce) {
    const std::string world = make_world();
    const std::string good = world + "/good.tif", far = world + "/far.tif";
    ASSERT_TRUE(write_raster(good, small_raster()));
    RasterRecipe map = small_raster();
    map.epsg = 3857;
    map.geotransform = {-3.571439782774524e+250, -3.571439782774524e+250, -3.571439782774524e+250,
                        -3.571439782774524e+250, -3.571439782774524e+250, -3.571439782774524e+250};
    map.geotransform[2] = 0.0;  // cells with an area
    ASSERT_TRUE(write_raster(far, map));
    const std::vector<std::string> before = list_world(world);

    ToolRun run = run_import_tool({"--world", world, "--map", far, good}, QUICK_RUN_SECONDS);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(contains(last_line(run.err), "map '" + far + "' cannot be laid over the terrain: its geotransform "
                                             "puts a corner at (-3.57144e+250, -3.57144e+250), beyond any "
                                             "coordinate system"))
        << run.err;
    EXPECT_EQ(list_world(world), before);
    remove_world(world);
}

// A 4096 x 4096 raster with 48 MB of room: reading its 64 MB of heights once
// threw std::bad_alloc through main, which aborted (status 134) and left the
// outputs' temporaries in DEM/ and Drape/. Now one line says so, the status
// is 1 and nothing is left; a small raster imports in the same room.
TEST(ImportHostile, RunningOutOfMemoryIsRefusedOnOneLineLeavingNothing) {
    const std::string world = make_world();
    ASSERT_TRUE(write_sparse_raster(world + "/big.tif", 4096, 4096));
    ASSERT_TRUE(write_raster(world + "/small.tif", small_raster()));
    const std::vector<std::string> before = list_world(world);
    constexpr size_t ROOM = 48u << 20;

    ToolRun run = run_with_memory_room({"--world", world, world + "/big.tif"}, ROOM);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(last_line(run.err), "kestrolane-import: not enough memory to import '" + world + "/big.tif'\n");
    EXPECT_EQ(find_temporaries(world), std::vector<std::string>{});
    EXPECT_EQ(list_world(world), before);

    run = run_with_memory_room({"--world", world, world + "/small.tif"}, ROOM);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(read_file(world + "/DEM/small.dem"), "");
    remove_world(world);
}

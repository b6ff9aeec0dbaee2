// Importing rasters: the terrain, drape and map files written, checked through the viewer's own loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "files/content_hash.h"
#include "import/terrain_location.h"
#include "state/session_state.h"
#include "state/viewer_state.h"
#include "state/world_state.h"
#include "terrain/level_cache.h"
#include "terrain/terrain_levels.h"
#include "terrain/terrain_mesh.h"
#include "terrain/terrain_tiles.h"
#include "tests/import/import_fixtures.h"
#include "tests/support/temp_files.h"

namespace {

const TerrainVertex& vertex_at(const TerrainParse& t, int columns, int column, int row) {
    return t.vertices[row * columns + column];
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// A UTM raster of 200 x 100 cells of 10 m rising 0.5 m per metre eastwards.
TEST(ImportTerrain, ProjectedSlopeKeepsMetresHeightsAndOrientation) {
    const std::string world = make_world();
    const std::string raster = world + "/slope.tif";
    RasterRecipe recipe;
    recipe.width = 200;
    recipe.height = 100;
    recipe.geotransform = {500000.0, 10.0, 0.0, 4000000.0, 0.0, -10.0};
    recipe.epsg = 32633;
    recipe.value = [](int x, int, int) { return 100.0 + 0.5 * (x * 10.0 + 5.0); };
    ASSERT_TRUE(write_raster(raster, recipe));
    // An older terrain of the same name is replaced once the new one is complete.
    std::FILE* old = std::fopen((world + "/DEM/Slope.dem").c_str(), "w");
    ASSERT_NE(old, nullptr);
    std::fputs("old\n", old);
    std::fclose(old);
    // What an import ended by kill -9 left is swept by the next one.
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string stale = world + "/DEM/.kestrolane-" + std::to_string(gone) + "-Abc123.tmp";
    std::FILE* left = std::fopen(stale.c_str(), "w");
    ASSERT_NE(left, nullptr);
    std::fclose(left);

    ToolRun run = run_import_tool({"--world", world, "--name", "Slope", "--grid", "51", "--keep-heights", raster});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "a 51 x 26 grid (2,500 faces) over 2000 m x 1000 m")) << run.out;
    EXPECT_TRUE(contains(run.out, "No cell lacked a height")) << run.out;

    EXPECT_NE(read_file(world + "/DEM/Slope.dem").rfind("old", 0), 0u);
    TerrainParse t = load_terrain(world + "/DEM/Slope.dem");
    ASSERT_EQ(t.vertex_count, 51 * 26);
    ASSERT_EQ(t.face_count, 2 * 50 * 25);
    EXPECT_FLOAT_EQ(t.min_x, -1000.0f);
    EXPECT_FLOAT_EQ(t.max_x, 1000.0f);
    EXPECT_FLOAT_EQ(t.min_z, -500.0f);
    EXPECT_FLOAT_EQ(t.max_z, 500.0f);
    // A vertex averages the ground around it: on a plane, the height at its
    // place; an edge vertex only has the inner half, centred 10 m inside.
    EXPECT_NEAR(vertex_at(t, 51, 25, 13).y, 100.0 + 0.5 * 1000.0, 0.01);
    EXPECT_NEAR(vertex_at(t, 51, 10, 0).y, 100.0 + 0.5 * 400.0, 0.01);
    EXPECT_NEAR(vertex_at(t, 51, 0, 5).y, 100.0 + 0.5 * 10.0, 0.01);
    // North-west corner first, texture (0, 1) there and (1, 0) at the south-east.
    EXPECT_FLOAT_EQ(t.vertices[0].x, -1000.0f);
    EXPECT_FLOAT_EQ(t.vertices[0].z, -500.0f);
    EXPECT_FLOAT_EQ(t.vertices[0].s, 0.0f);
    EXPECT_FLOAT_EQ(t.vertices[0].t, 1.0f);
    EXPECT_FLOAT_EQ(t.vertices[t.vertex_count - 1].s, 1.0f);
    EXPECT_FLOAT_EQ(t.vertices[t.vertex_count - 1].t, 0.0f);
    // Every face is counter-clockwise from above and leans away from the rise.
    for (int f = 0; f < t.face_count; ++f) {
        ASSERT_GT(t.faces[f].ny, 0.0f) << f;
        ASSERT_LT(t.faces[f].nx, 0.0f) << f;
    }
    free_terrain_parse(&t);

    int w = 0, h = 0, c = 0;
    ASSERT_TRUE(read_info(world + "/Drape/Slope.info", &w, &h, &c));
    EXPECT_EQ(w, 512);
    EXPECT_EQ(h, 512);
    EXPECT_EQ(c, 3);
    const std::string drape = read_file(world + "/Drape/Slope.raw");
    ASSERT_EQ(drape.size(), 512u * 512u * 3u);
    // The low west is green, the high east pale: the tints follow the ground.
    const unsigned char* west = (const unsigned char*)&drape[(256 * 512 + 2) * 3];
    const unsigned char* east = (const unsigned char*)&drape[(256 * 512 + 509) * 3];
    EXPECT_GT(west[1], west[0]);
    EXPECT_GT(east[2], 160);
    // The terrain remembers where it lies: its corners are the raster's.
    TerrainLocation where;
    std::string error;
    ASSERT_TRUE(read_terrain_location(world + "/DEM/Slope.location", &where, &error)) << error;
    EXPECT_EQ(where.columns, 51);
    EXPECT_EQ(where.rows, 26);
    double easting = 0.0, northing = 0.0;
    locate_in_raster_crs(where, -1000.0, -500.0, &easting, &northing);
    EXPECT_NEAR(easting, 500000.0, 1e-6);
    EXPECT_NEAR(northing, 4000000.0, 1e-6);
    locate_in_raster_crs(where, 1000.0, 500.0, &easting, &northing);
    EXPECT_NEAR(easting, 502000.0, 1e-6);
    EXPECT_NEAR(northing, 3999000.0, 1e-6);
    double x = 0.0, z = 0.0;
    ASSERT_TRUE(locate_on_terrain(where, 501234.0, 3999876.0, &x, &z));
    EXPECT_NEAR(x, 234.0, 1e-6);
    EXPECT_NEAR(z, -376.0, 1e-6);
    EXPECT_EQ(where.height_offset, 0.0);
    EXPECT_EQ(where.height_factor, 1.0);
    EXPECT_TRUE(contains(where.crs_wkt, "UTM zone 33N")) << where.crs_wkt;
    // Only the terrain and its location, no temporary file (the stale one is
    // gone too); the menu lists one terrain.
    EXPECT_EQ(list_world(world + "/DEM").size(), 2u);
    remove_world(world);
}

// A geographic raster near 60 degrees north, with a hole of no-data cells and a NaN.
TEST(ImportTerrain, GeographicRasterIsMeasuredAtItsLatitudeAndItsHoleFilled) {
    const std::string world = make_world();
    const std::string raster = world + "/north.tif";
    RasterRecipe recipe;
    recipe.width = 100;
    recipe.height = 100;
    recipe.geotransform = {10.0, 0.001, 0.0, 60.05, 0.0, -0.001};
    recipe.epsg = 4326;
    recipe.has_no_data = true;
    recipe.no_data = -9999.0;
    // Rising southwards, 2 m a row; a 10 x 10 hole and one NaN.
    recipe.value = [](int x, int y, int) {
        if (x >= 45 && x < 55 && y >= 45 && y < 55) return -9999.0;
        if (x == 10 && y == 80) return (double)NAN;
        return 500.0 + 2.0 * y;
    };
    ASSERT_TRUE(write_raster(raster, recipe));

    ToolRun run = run_import_tool({"--world", world, raster});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "101 cells without a height")) << run.out;
    EXPECT_TRUE(contains(run.out, "as north:")) << run.out;

    TerrainParse t = load_terrain(world + "/DEM/north.dem");
    ASSERT_EQ(t.vertex_count, 100 * 100);
    // A degree of longitude at 60 N is 55.80 km, of latitude 111.41 km.
    EXPECT_NEAR(t.max_x - t.min_x, 0.1 * 55799.98, 5.0);
    EXPECT_NEAR(t.max_z - t.min_z, 0.1 * 111412.88, 5.0);
    // Heights go down from the highest point, which lies along the south edge.
    EXPECT_FLOAT_EQ(t.max_y, 0.0f);
    EXPECT_NEAR(vertex_at(t, 100, 30, 99).y, 0.0, 0.01);
    EXPECT_LT(vertex_at(t, 100, 30, 0).y, -190.0f);
    // The hole follows the ground around it: no spike, no pit.
    for (int row = 40; row < 60; ++row)
        for (int column = 40; column < 60; ++column) {
            const float expected = vertex_at(t, 100, 30, row).y;
            ASSERT_NEAR(vertex_at(t, 100, column, row).y, expected, 12.0) << column << "," << row;
        }
    EXPECT_NEAR(vertex_at(t, 100, 10, 80).y, vertex_at(t, 100, 30, 80).y, 2.0);
    // The location undoes the measuring down: y 0 is the highest ground, near the south edge's 698 m.
    TerrainLocation where;
    std::string error;
    ASSERT_TRUE(read_terrain_location(world + "/DEM/north.location", &where, &error)) << error;
    EXPECT_NEAR(where.height_offset, 697.0, 1.5);
    EXPECT_EQ(where.height_factor, 1.0);
    double longitude = 0.0, latitude = 0.0;
    locate_in_raster_crs(where, t.min_x, t.min_z, &longitude, &latitude);
    EXPECT_NEAR(longitude, 10.0, 1e-7);  // a centimetre: the vertices are floats
    EXPECT_NEAR(latitude, 60.05, 1e-7);
    free_terrain_parse(&t);
    remove_world(world);
}

// An ESRI ASCII grid (no coordinate system) and an SRTM tile with voids, both to their default grids.
TEST(ImportTerrain, AsciiGridAndSrtmTileLoadAtTheirDefaultGrids) {
    const std::string world = make_world();
    std::string grid_text = "ncols 30\nnrows 20\nxllcorner 1000\nyllcorner 2000\ncellsize 25\nNODATA_value -1\n";
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) grid_text += std::to_string(x == 3 && y == 3 ? -1 : 50 + x + y) + " ";
        grid_text += "\n";
    }
    std::FILE* f = std::fopen((world + "/valley.asc").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(grid_text.c_str(), f);
    std::fclose(f);
    ToolRun run = run_import_tool({"--world", world, world + "/valley.asc"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "a 30 x 20 grid (1,102 faces) over 750 m x 500 m")) << run.out;
    EXPECT_TRUE(contains(run.out, "no coordinate system")) << run.out;
    EXPECT_TRUE(contains(run.out, "1 cell without a height")) << run.out;
    TerrainParse t = load_terrain(world + "/DEM/valley.dem");
    EXPECT_EQ(t.vertex_count, 600);
    EXPECT_EQ(t.face_count, 1102);
    free_terrain_parse(&t);

    // SRTM3: 1201 x 1201 signed 16-bit cells over one degree, voids at -32768.
    RasterRecipe srtm;
    srtm.driver = "SRTMHGT";
    srtm.width = srtm.height = 1201;
    srtm.type = 3;  // Int16
    srtm.geotransform = {5.0 - 0.5 / 1200, 1.0 / 1200, 0.0, 46.0 + 0.5 / 1200, 0.0, -1.0 / 1200};
    srtm.epsg = 4326;
    srtm.has_no_data = true;
    srtm.no_data = -32768;
    srtm.value = [](int x, int y, int) {
        return (x / 40 + y / 40) % 7 == 0 && x % 40 < 3 ? -32768.0 : 400.0 + std::sin(x * 0.01) * 300.0 + y * 0.5;
    };
    ASSERT_TRUE(write_raster(world + "/N45E005.hgt", srtm));
    run = run_import_tool({"--world", world, "--keep-heights", world + "/N45E005.hgt"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "as N45E005:")) << run.out;
    EXPECT_TRUE(contains(run.out, "geographic, converted at latitude 45.50")) << run.out;
    t = load_terrain(world + "/DEM/N45E005.dem");
    EXPECT_LE(t.face_count, 500000);
    EXPECT_GT(t.face_count, 490000);
    // Cells stay near square in metres although a degree east is 0.70 of one north here.
    int columns = 1;
    while (columns < t.vertex_count && t.vertices[columns].z == t.vertices[0].z) ++columns;
    const double cell_x = t.vertices[1].x - t.vertices[0].x;
    const double cell_z = t.vertices[columns].z - t.vertices[0].z;
    EXPECT_NEAR(cell_x / cell_z, 1.0, 0.01);
    // Voids did not become pits: the lowest ground here is about 100 m.
    float lowest = 1e9f;
    for (int i = 0; i < t.vertex_count; ++i) lowest = std::min(lowest, t.vertices[i].y);
    EXPECT_GT(lowest, 90.0f);
    free_terrain_parse(&t);
    int w = 0, h = 0, c = 0;
    ASSERT_TRUE(read_info(world + "/Drape/N45E005.info", &w, &h, &c));
    EXPECT_EQ(w, 2048);
    EXPECT_EQ(h, 2048);
    remove_world(world);
}

// A map in the same system is warped onto the terrain; one without coordinates is stretched over it.
TEST(ImportMap, GeoreferencedMapIsFittedAndPlainImageStretched) {
    const std::string world = make_world();
    RasterRecipe dem;
    dem.width = dem.height = 64;
    dem.geotransform = {300000.0, 20.0, 0.0, 5000000.0, 0.0, -20.0};
    dem.epsg = 32632;
    dem.value = [](int x, int y, int) { return 10.0 * x + y; };
    ASSERT_TRUE(write_raster(world + "/hill.tif", dem));
    // The map covers twice the ground to the east: red over the terrain, cyan beyond it.
    RasterRecipe map;
    map.width = 512;
    map.height = 256;
    map.bands = 3;
    map.type = 1;  // Byte
    map.geotransform = {300000.0, 5.0, 0.0, 5000000.0, 0.0, -5.0};
    map.epsg = 32632;
    map.value = [](int x, int, int band) { return (x < 256) == (band == 1) ? 200.0 : 0.0; };
    ASSERT_TRUE(write_raster(world + "/ortho.tif", map));

    ToolRun run = run_import_tool({"--world", world, "--map", world + "/ortho.tif", world + "/hill.tif"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "fitted by its coordinates")) << run.out;
    int w = 0, h = 0, c = 0;
    ASSERT_TRUE(read_info(world + "/Map/hill.info", &w, &h, &c));
    EXPECT_EQ(c, 3);
    std::string pixels = read_file(world + "/Map/hill.raw");
    ASSERT_EQ(pixels.size(), (size_t)w * h * c);
    for (int x : {0, w / 2, w - 4}) {
        const unsigned char* p = (const unsigned char*)&pixels[((size_t)(h / 2) * w + x) * 3];
        EXPECT_EQ(p[0], 200) << x;
        EXPECT_EQ(p[2], 0) << x;
    }

    // A grey picture with no coordinates: its left half dark, right half light, across the whole terrain.
    RasterRecipe plain;
    plain.driver = "PNG";
    plain.width = 300;
    plain.height = 200;
    plain.type = 1;
    plain.value = [](int x, int, int) { return x < 150 ? 20.0 : 230.0; };
    ASSERT_TRUE(write_raster(world + "/scan.png", plain));
    run = run_import_tool({"--world", world, "--name", "hill", "--map", world + "/scan.png", world + "/hill.tif"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "grey, stretched over the terrain")) << run.out;
    ASSERT_TRUE(read_info(world + "/Map/hill.info", &w, &h, &c));
    EXPECT_EQ(c, 1);
    pixels = read_file(world + "/Map/hill.raw");
    ASSERT_EQ(pixels.size(), (size_t)w * h);
    EXPECT_EQ((unsigned char)pixels[(size_t)(h / 2) * w + 2], 20);
    EXPECT_EQ((unsigned char)pixels[(size_t)(h / 2) * w + w - 3], 230);
    remove_world(world);
}

// A south-up raster comes out as its north-up twin; one wider than the
// largest texture is averaged down while read and keeps its heights.
TEST(ImportTerrain, SouthUpAndVeryWideRastersKeepTheirGround) {
    const std::string world = make_world();
    RasterRecipe north_up;
    north_up.width = 40;
    north_up.height = 30;
    north_up.geotransform = {0.0, 10.0, 0.0, 300.0, 0.0, -10.0};
    north_up.epsg = 32631;
    north_up.value = [](int x, int y, int) { return 3.0 * x + 7.0 * y + (x * y % 5); };
    ASSERT_TRUE(write_raster(world + "/up.tif", north_up));
    RasterRecipe south_up = north_up;
    south_up.geotransform = {0.0, 10.0, 0.0, 0.0, 0.0, 10.0};
    south_up.value = [&](int x, int y, int b) { return north_up.value(x, 29 - y, b); };
    ASSERT_TRUE(write_raster(world + "/down.tif", south_up));
    ASSERT_EQ(run_import_tool({"--world", world, world + "/up.tif"}).status, 0);
    ASSERT_EQ(run_import_tool({"--world", world, world + "/down.tif"}).status, 0);
    EXPECT_EQ(read_file(world + "/DEM/up.dem"), read_file(world + "/DEM/down.dem"));
    EXPECT_EQ(read_file(world + "/Drape/up.raw"), read_file(world + "/Drape/down.raw"));
    // Both lie on the same ground, so they record the same location.
    EXPECT_EQ(read_file(world + "/DEM/up.location"), read_file(world + "/DEM/down.location"));
    TerrainLocation where;
    std::string error;
    ASSERT_TRUE(read_terrain_location(world + "/DEM/down.location", &where, &error)) << error;
    double east = 0.0, north = 0.0;
    locate_in_raster_crs(where, -200.0, -150.0, &east, &north);
    EXPECT_NEAR(east, 0.0, 1e-9);
    EXPECT_NEAR(north, 300.0, 1e-9);

    RasterRecipe wide;
    wide.width = 5000;
    wide.height = 20;
    wide.geotransform = {0.0, 1.0, 0.0, 20.0, 0.0, -1.0};
    wide.epsg = 32631;
    wide.value = [](int x, int, int) { return 0.01 * (x + 0.5); };
    ASSERT_TRUE(write_raster(world + "/wide.tif", wide));
    ToolRun run = run_import_tool({"--world", world, "--keep-heights", "--grid", "101x5", world + "/wide.tif"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Drape/wide.raw (4096 x 512 RGB)")) << run.out;
    TerrainParse t = load_terrain(world + "/DEM/wide.dem");
    ASSERT_EQ(t.vertex_count, 101 * 5);
    for (int c = 1; c < 100; ++c) ASSERT_NEAR(vertex_at(t, 101, c, 2).y, 0.01 * 50.0 * c, 0.001) << c;
    free_terrain_parse(&t);
    remove_world(world);
}

// A terrain the viewer draws with levels comes with its levels kept beside
// it, which the viewer's reader takes for the terrain's very bytes; a
// smaller terrain imported under the name takes the cache away.
TEST(ImportTerrain, ALargeTerrainComesWithItsDetailLevels) {
    const std::string world = make_world();
    RasterRecipe recipe = small_raster();
    recipe.width = recipe.height = 520;
    recipe.value = [](int x, int y, int) { return 300.0 + 80.0 * std::sin(x * 0.05) * std::cos(y * 0.04) + (x * 7 % 5); };
    ASSERT_TRUE(write_raster(world + "/ridges.tif", recipe));
    ToolRun run = run_import_tool({"--world", world, "--grid", "502", world + "/ridges.tif"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "(502,002 faces)")) << run.out;
    EXPECT_TRUE(contains(run.out, "Its detail levels are kept in DEM/ridges.levels")) << run.out;
    const std::string dem = world + "/DEM/ridges.dem";
    const std::string bytes = read_file(dem);
    TerrainParse parse = load_terrain(dem);
    ASSERT_EQ(parse.face_count, 502002);
    reset_viewer_state();
    install_terrain_mesh(&parse);
    ASSERT_TRUE(build_terrain_tiles(terrain_tile_faces));
    ASSERT_TRUE(make_level_cache_path(dem.c_str(), level_cache_path, sizeof level_cache_path));
    level_cache_terrain_size = bytes.size();
    level_cache_terrain_hash = hash_content(bytes.data(), bytes.size());
    level_cache_revision = terrain_revision;
    make_level_nodes();
    EXPECT_TRUE(read_level_cache());
    size_t with_levels = 0;
    for (const LevelNode& node : level_nodes) with_levels += !node.levels.empty();
    EXPECT_GT(with_levels, (size_t)terrain_tile_count);
    reset_viewer_state();

    run = run_import_tool({"--world", world, "--name", "ridges", "--grid", "200", world + "/ridges.tif"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(contains(run.out, "detail levels")) << run.out;
    EXPECT_EQ(read_file(world + "/DEM/ridges.levels"), "");
    EXPECT_TRUE(find_temporaries(world).empty());
    remove_world(world);
}

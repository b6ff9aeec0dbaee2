// The importer's pieces: averaging around missing heights, grid sizes, names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "import/area_resample.h"
#include "import/import_run.h"
#include "import/terrain_location.h"

TEST(Resampling, AveragesByAreaAndLeavesOutMissingHeights) {
    // 3 x 2 cells onto 2 x 1: each output takes one and a half columns.
    const float input[] = {1, 2, 4,
                           3, NAN, 8};
    float output[2];
    ASSERT_TRUE(resample_by_area(input, 3, 2, divide_evenly(3, 2), divide_evenly(2, 1), output, nullptr, nullptr));
    EXPECT_FLOAT_EQ(output[0], (1 + 0.5f * 2 + 3) / 2.5f);
    EXPECT_FLOAT_EQ(output[1], (0.5f * 2 + 4 + 8) / 2.5f);
    // A footprint with no height at all stays missing.
    const float hole[] = {NAN, NAN, 5, 7};
    float two[2];
    ASSERT_TRUE(resample_by_area(hole, 4, 1, divide_evenly(4, 2), divide_evenly(1, 1), two, nullptr, nullptr));
    EXPECT_TRUE(std::isnan(two[0]));
    EXPECT_FLOAT_EQ(two[1], 6.0f);
    // Vertex footprints: the end vertices take half a spacing, inner ones a whole one.
    const float ramp[] = {0, 1, 2, 3, 4, 5, 6, 7};
    float vertices[3];
    ASSERT_TRUE(resample_by_area(ramp, 8, 1, divide_around_vertices(8, 3), divide_evenly(1, 1), vertices, nullptr,
                                 nullptr));
    EXPECT_FLOAT_EQ(vertices[0], 0.5f);
    EXPECT_FLOAT_EQ(vertices[1], 3.5f);
    EXPECT_FLOAT_EQ(vertices[2], 6.5f);
    // Footprints narrower than a cell would need more than two outputs per cell.
    EXPECT_FALSE(resample_by_area(ramp, 2, 1, divide_evenly(2, 5), divide_evenly(1, 1), vertices, nullptr, nullptr));
}

TEST(Filling, HolesTakeTheGroundAroundThemAndNeverOvershootIt) {
    // A plane rising 1 per column and 2 per row, with a large hole off-centre and a missing corner.
    const int w = 37, h = 23;
    std::vector<float> grid(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool hole = (x >= 8 && x < 24 && y >= 5 && y < 15) || (x < 3 && y < 3);
            grid[y * w + x] = hole ? NAN : (float)(x + 2 * y);
        }
    ASSERT_TRUE(fill_missing_cells(grid.data(), w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float v = grid[y * w + x];
            ASSERT_FALSE(std::isnan(v)) << x << "," << y;
            ASSERT_GE(v, 0.0f);
            ASSERT_LE(v, (float)(w - 1 + 2 * (h - 1)));
            // Inside the hole the fill stays near the plane it interrupts.
            ASSERT_NEAR(v, x + 2 * y, 9.0) << x << "," << y;
        }
    std::vector<float> nothing(6, NAN);
    EXPECT_FALSE(fill_missing_cells(nothing.data(), 3, 2));
    // Infinities once averaged to NaN at every level, which were added for ever.
    std::vector<float> infinite = {INFINITY, -INFINITY, -INFINITY, NAN};
    EXPECT_FALSE(fill_missing_cells(infinite.data(), 2, 2));
}

TEST(GridChoice, DefaultStaysUnderTheFaceLimitWithNearSquareCells) {
    int c = 0, r = 0;
    bool limited = false;
    choose_grid(120000, 120000, 4000, 4000, 0, 0, &c, &r, &limited);
    EXPECT_EQ(c, 501);
    EXPECT_EQ(r, 501);
    choose_grid(77000, 111000, 1201, 1201, 0, 0, &c, &r, &limited);
    EXPECT_LE(2L * (c - 1) * (r - 1), MOST_FACES_BY_DEFAULT);
    EXPECT_GT(2L * (c - 1) * (r - 1), MOST_FACES_BY_DEFAULT * 0.99);
    EXPECT_NEAR((77000.0 / (c - 1)) / (111000.0 / (r - 1)), 1.0, 0.01);
    // A long thin raster: the short side runs out, the long side takes the rest.
    choose_grid(100000, 1000, 4096, 40, 0, 0, &c, &r, &limited);
    EXPECT_EQ(r, 40);
    EXPECT_EQ(c, 4096);
    // Limits under 2 (no raster has them) still give at least 2 x 2, without a division by zero.
    choose_grid(100000, 1000, 4096, 1, 0, 0, &c, &r, &limited);
    EXPECT_EQ(r, 2);
    EXPECT_EQ(c, 4096);
    // A request beyond the raster's cells is cut down, and says so.
    choose_grid(2000, 1000, 200, 100, 1000, 0, &c, &r, &limited);
    EXPECT_EQ(c, 200);
    EXPECT_EQ(r, 100);
    EXPECT_TRUE(limited);
    choose_grid(2000, 1000, 200, 100, 101, 0, &c, &r, &limited);
    EXPECT_EQ(c, 101);
    EXPECT_EQ(r, 51);
    EXPECT_FALSE(limited);
}

TEST(TerrainName, TakenFromTheFileAndKeptInsideTheWorld) {
    EXPECT_EQ(name_from_path("/data/N46E008.hgt"), "N46E008");
    EXPECT_EQ(name_from_path("dem.v2.tif"), "dem");
    EXPECT_EQ(name_from_path("Mont Blanc (2m).tif"), "Mont_Blanc__2m_");
    EXPECT_EQ(name_from_path("/data/.tif"), "terrain");
    EXPECT_EQ(name_from_path("NETCDF:\"/data/alps.nc\":elevation"), "alps");
    EXPECT_EQ(check_terrain_name("Mont Blanc"), "");
    for (const char* bad : {"", "..", ".hidden", "a/b", "a\\b", "x.y", "tab\there"})
        EXPECT_NE(check_terrain_name(bad), "") << bad;
    EXPECT_NE(check_terrain_name(std::string(LONGEST_NAME + 1, 'a')), "");
}

TEST(TerrainLocationRecord, ReadsBackEveryFiniteNumberItWrites) {
    TerrainLocation where{};
    where.columns = 20;
    where.rows = 15;
    where.width = 20000.0;
    where.depth = 15000.0;
    // Far out, minute (a denormal, which strtod reads with ERANGE) and negative zero.
    const double affine[6] = {1.7e308, 1.0, -0.0, -1.7e308, 7.46e-319, -1.0};
    std::copy(affine, affine + 6, where.affine);
    where.height_offset = 44.5;
    where.height_factor = 1.0;
    TerrainLocation back{};
    std::string error;
    ASSERT_TRUE(parse_terrain_location(format_terrain_location(where), &back, &error)) << error;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(back.affine[i], where.affine[i]) << i;
    // What no record holds is still refused.
    std::string text = format_terrain_location(where);
    const size_t first = text.find("affine ") + 7;
    text.replace(first, text.find(' ', first) - first, "1e999");
    EXPECT_FALSE(parse_terrain_location(text, &back, &error));
}

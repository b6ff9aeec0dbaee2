// End to end: a raster imported into a scratch world is flown over from the DEM and Raster menus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

#include "tests/e2e/viewer.h"

namespace {

constexpr int FILE_ENTRY = 0, DEM_ENTRY = 0, RASTER_ENTRY = 1;

// An ESRI ASCII grid of 160 x 120 cells of 25 m: ridges rising to the south, with a patch of no-data.
bool write_ridge_grid(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "ncols 160\nnrows 120\nxllcorner 0\nyllcorner 0\ncellsize 25\nNODATA_value -9999\n");
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 160; ++x) {
            const bool hole = x >= 70 && x < 80 && y >= 50 && y < 58;
            const double height = 300.0 + 120.0 * std::sin(x / 13.0) * std::cos(y / 11.0) + 2.0 * y;
            std::fprintf(f, "%.1f ", hole ? -9999.0 : height);
        }
        std::fputc('\n', f);
    }
    return std::fclose(f) == 0;
}

}  // namespace

TEST(Import, AnImportedRasterIsFlownFromTheDemAndRasterMenus) {
    Viewer v;
    ASSERT_TRUE(write_ridge_grid(v.dir + "/ridge.asc"));
    const std::string command = std::string(KESTROLANE_IMPORT_EXE) + " --world '" + v.dir + "' --name Ridge '" +
                                v.dir + "/ridge.asc' > '" + v.dir + "/import.log' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.toggle_overlay());

    const int dem = menu_position(v.dir + "/DEM", ".dem", "Ridge.dem");
    ASSERT_GE(dem, 0);
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, DEM_ENTRY, dem}));
    ASSERT_TRUE(v.wait_for_console("Ridge.dem\nVertices:19200 Polygons:37842\n"));
    ASSERT_TRUE(v.wait_for_console("Terrain Width Range is 4000...Setting Movement Speed to 400"));
    ASSERT_TRUE(v.wait_frames(SETTLE_FRAMES));  // the load ends inside the menu's callback, before these frames
    const Screenshot terrain = v.shot();

    const int drape = menu_position(v.dir + "/Drape", ".raw", "Ridge.raw");
    ASSERT_GE(drape, 0);
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, RASTER_ENTRY, drape}));
    ASSERT_TRUE(v.wait_for_console("./Drape/Ridge.info\nLoading Texture...Done!\n"));
    ASSERT_TRUE(v.wait_frames(SETTLE_FRAMES));
    const Screenshot draped = v.shot();
    EXPECT_GT(fraction_differing(terrain, draped, 24), 0.1);  // the drape replaced the default texture
    keep_shot(draped, "import-drape");
    // The land lies below the eye, which starts level with its highest point:
    // the sky stays clear and the lower half is shaded, tinted ground.
    EXPECT_GT(sky_share(draped), 0.9);
    EXPECT_GT(colour_variance(draped, 0, draped.height / 2, draped.width, draped.height), 50.0);
    EXPECT_LT(fraction_near_colour(draped, 0, draped.height * 3 / 4, draped.width, draped.height, 0, 0, 0, 4), 0.05);
    EXPECT_LT(grey_share(draped), 0.5);
    EXPECT_TRUE(v.running());
}

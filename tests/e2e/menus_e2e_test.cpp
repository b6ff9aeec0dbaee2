// End to end: the right-button menu loads terrains, drapes and flythroughs,
// and switches stereo, as a user would choose them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/menu_driver.h"

namespace {

// Main menu entries and the File submenu's entries, in menu order.
constexpr int FILE_ENTRY = 0, STEREO_ENTRY = 2;
constexpr int DEM_ENTRY = 0, RASTER_ENTRY = 1, FLYTHROUGH_ENTRY = 3;

// Position of `name` among the files of `dir` that contain `extension`, as the menu lists them.
int menu_index(const std::string& dir, const std::string& extension, const std::string& name) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name).find(extension) != std::string::npos) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : (int)(it - names.begin());
}

// Chooses an entry; returns once the closed menus have been painted over.
bool choose(Viewer& v, const std::vector<int>& path) { return choose_menu_entry(&v.process, 512, 384, path); }

// Share of pixels in the lower half (the land) that carry green.
double green_share(const Screenshot& s) {
    long green = 0, total = 0;
    for (int y = s.height / 2; y < s.height; ++y)
        for (int x = 0; x < s.width; x += 2) {
            const unsigned char* p = &s.rgb[(y * s.width + x) * 3];
            green += p[1] > 8;
            ++total;
        }
    return (double)green / total;
}

}  // namespace

TEST(Menus, RasterRetexturesAndDemReloadsTheTerrain) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot start = v.shot();

    int relief = menu_index(v.dir + "/Drape", ".raw", "Relief.raw");
    ASSERT_GE(relief, 0);
    ASSERT_TRUE(choose(v, {FILE_ENTRY, RASTER_ENTRY, relief}));
    ASSERT_TRUE(wait_for_console(&v.process, "./Drape/Relief.info\nLoading Texture...Done!\n", 20000)) << v.console();
    Screenshot draped;
    ASSERT_TRUE(wait_for_difference(&v.process, start, 24, 0.2, 10000, &draped));
    keep_shot(draped, "menu-drape");

    int canyon = menu_index(v.dir + "/DEM", ".dem", "Canyon.dem");
    ASSERT_GE(canyon, 0);
    ASSERT_TRUE(choose(v, {FILE_ENTRY, DEM_ENTRY, canyon}));
    ASSERT_TRUE(wait_for_console(&v.process, "Canyon.dem\nVertices:16641 Polygons:32768\n", 20000)) << v.console();
    ASSERT_TRUE(wait_for_console(&v.process, "Parsing OBJ file...Done!\nTerrain Width Range is 1500", 20000));
    Screenshot canyon_view;
    ASSERT_TRUE(wait_for_difference(&v.process, draped, 24, 0.2, 10000, &canyon_view));
    keep_shot(canyon_view, "menu-dem");
    EXPECT_GT(colour_variance(canyon_view, 0, canyon_view.height / 2, canyon_view.width, canyon_view.height), 50.0);
    EXPECT_TRUE(is_running(&v.process));
}

TEST(Menus, ADemDeletedAfterStartUpIsReportedAndTheTerrainStays) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    int volcano = menu_index(v.dir + "/DEM", ".dem", "Volcano.dem");
    ASSERT_GE(volcano, 0);
    ASSERT_EQ(remove((v.dir + "/DEM/Volcano.dem").c_str()), 0);
    Screenshot before = v.shot();
    ASSERT_TRUE(choose(v, {FILE_ENTRY, DEM_ENTRY, volcano}));
    ASSERT_TRUE(wait_for_console(&v.process, "DEM file not found ./DEM/Volcano.dem", 20000)) << v.console();
    Screenshot after = v.shot();
    keep_shot(after, "menu-dem-deleted");
    EXPECT_TRUE(is_running(&v.process));
    // The land is still there (the message line may cover a strip of it).
    EXPECT_LT(fraction_differing(before, after, 24), 0.1);
}

TEST(Menus, StereoDrawsTheLandInRedAndBlueOnly) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(hide_overlay(v));
    Screenshot mono = v.shot();
    EXPECT_GT(green_share(mono), 0.9);
    ASSERT_TRUE(choose(v, {STEREO_ENTRY, 0}));
    Screenshot stereo;
    ASSERT_TRUE(wait_for_difference(&v.process, mono, 24, 0.3, 10000, &stereo));
    keep_shot(stereo, "stereo");
    EXPECT_LT(green_share(stereo), 0.02);
    EXPECT_GT(mean_brightness(stereo, 0, stereo.height / 2, stereo.width, stereo.height), 20.0);

    // The sky and fog still work on top of the pair.
    ASSERT_TRUE(press_key(&v.process, "s"));
    Screenshot sky;
    ASSERT_TRUE(wait_for_difference(&v.process, stereo, 24, 0.2, 10000, &sky));
    keep_shot(sky, "stereo-sky");
    EXPECT_LT(sky_share(sky), 0.01);
    ASSERT_TRUE(press_key(&v.process, "a"));
    Screenshot fog;
    ASSERT_TRUE(wait_for_difference(&v.process, sky, 24, 0.1, 10000, &fog));
    keep_shot(fog, "stereo-fog");
    EXPECT_TRUE(is_running(&v.process));
}

TEST(Menus, FlythroughFromTheSubmenuPlaysAndReturnsToNormalMode) {
    Viewer v;
    // A short flight forward and up, so the test does not wait for a long tour.
    FILE* f = fopen((v.dir + "/Flythrough/Quick.flt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fprintf(f, "90\n0 40 0 0 39.8 -1\n");
    for (int i = 0; i < 90; ++i) fprintf(f, "%f %f %f %f\n", 40.0, 0.004 * i, 40.0 + i, -0.2);
    fclose(f);
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot start = v.shot();
    int quick = menu_index(v.dir + "/Flythrough", ".flt", "Quick.flt");
    ASSERT_TRUE(choose(v, {FILE_ENTRY, FLYTHROUGH_ENTRY, quick}));
    ASSERT_TRUE(wait_for_console(&v.process, "Opening Flythrough File: Quick.flt", 20000)) << v.console();
    ASSERT_TRUE(wait_for_console(&v.process, "No. of Frames: 90\n", 20000));
    ASSERT_TRUE(wait_for_console(&v.process, "Switching to Normal Mode\n", 30000)) << v.console();
    EXPECT_TRUE(is_running(&v.process));
}

TEST(Menus, TheSampleTourMovesTheView) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    int tour = menu_index(v.dir + "/Flythrough", ".flt", "Grand_Tour.flt");
    ASSERT_GE(tour, 0) << "the default world has no sample tour";
    ASSERT_TRUE(choose(v, {FILE_ENTRY, FLYTHROUGH_ENTRY, tour}));
    ASSERT_TRUE(wait_for_console(&v.process, "No. of Frames: ", 20000)) << v.console();
    Screenshot first;
    ASSERT_TRUE(capture_window(&v.process, &first));
    Screenshot later;
    ASSERT_TRUE(wait_for_difference(&v.process, first, 24, 0.2, 10000, &later));
    keep_shot(later, "tour");
    EXPECT_GT(colour_variance(later, 0, later.height / 2, later.width, later.height), 50.0);
}

TEST(Menus, QuadOptionRebuildsWholeCellsAtTheFirstRebuild) {
    constexpr int TERRAIN_ENTRY = 1, INCREASE_EXAGGERATION = 3;
    Screenshot shots[2];
    for (int quads = 0; quads < 2; ++quads) {
        Viewer v(quads ? std::vector<std::string>{"-q"} : std::vector<std::string>{});
        ASSERT_TRUE(v.start("\n"));
        ASSERT_TRUE(v.open_window());
        Screenshot before = v.shot();
        ASSERT_TRUE(choose(v, {TERRAIN_ENTRY, INCREASE_EXAGGERATION}));
        ASSERT_TRUE(wait_for_console(&v.process, "\n1.250000\n", 20000)) << v.console();
        ASSERT_TRUE(wait_for_difference(&v.process, before, 24, 0.02, 10000, &shots[quads]));
    }
    keep_shot(shots[1], "quads-rebuilt");
    // Face pairs drawn as quads cover the same land as the triangles.
    EXPECT_LT(fraction_differing(shots[0], shots[1], 24), 0.02);
    EXPECT_LT(fraction_near_colour(shots[1], 0, shots[1].height / 2, shots[1].width, shots[1].height, 0, 0, 0, 4),
              0.01);
}

TEST(Menus, TheTreeHoldsItsEntriesAndTheAssetFolders) {
    Viewer v;
    std::filesystem::remove_all(v.dir + "/Vector");  // the default world ships sample layers
    std::filesystem::create_directory(v.dir + "/Vector");
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    struct { std::vector<int> path; int entries; } menus[] = {
        {{}, 7},                                  // File, Terrain, Stereo, Augmentation, Help, About, Exit
        {{FILE_ENTRY}, 5},                        // DEM, Raster, Map, Flythrough, Vector
        {{FILE_ENTRY, DEM_ENTRY}, 3},             // the sample terrains
        {{FILE_ENTRY, FLYTHROUGH_ENTRY}, 2},      // the sample flights
        {{1}, 10},                                // Terrain
        {{STEREO_ENTRY}, 8},
        {{3}, 5},                                 // Augmentation
    };
    for (auto& m : menus) {
        ASSERT_TRUE(open_menu_path(&v.process, 512, 384, m.path));
        EXPECT_EQ(count_open_menu_entries(&v.process), m.entries) << m.path.size();
        dismiss_menus(&v.process);
    }
    // The empty Vector folder shows one entry that chooses nothing (an empty
    // submenu would end the program when pointed at).
    ASSERT_TRUE(open_menu_path(&v.process, 512, 384, {FILE_ENTRY, 4}));
    EXPECT_EQ(count_open_menu_entries(&v.process), 1);
    dismiss_menus(&v.process);
    ASSERT_TRUE(choose(v, {FILE_ENTRY, 4, 0}));
    EXPECT_TRUE(is_running(&v.process));
}

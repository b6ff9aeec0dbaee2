// End to end: the right-button menu loads terrains, drapes and flythroughs,
// and switches stereo, as a user would choose them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/viewer.h"

namespace {

// Main menu entries and the File submenu's entries, in menu order.
constexpr int FILE_ENTRY = 0, TERRAIN_ENTRY = 1, STEREO_ENTRY = 2, AUGMENTATION_ENTRY = 3;
constexpr int DEM_ENTRY = 0, RASTER_ENTRY = 1, FLYTHROUGH_ENTRY = 3, VECTOR_ENTRY = 4;

// Share of pixels in the lower half (the land) that carry green.
double green_share(const Screenshot& s) {
    long green = 0, total = 0;
    for (int y = s.height / 2; y < s.height; ++y)
        for (int x = 0; x < s.width; x += 2) {
            green += s.rgb[(y * s.width + x) * 3 + 1] > 8;
            ++total;
        }
    return total ? (double)green / total : -1.0;
}

// The left or the right half of a picture.
Screenshot half_of(const Screenshot& s, bool right) {
    Screenshot h;
    h.width = s.width / 2;
    h.height = s.height;
    for (int y = 0; y < s.height; ++y) {
        const unsigned char* row = &s.rgb[((size_t)y * s.width + (right ? s.width - h.width : 0)) * 3];
        h.rgb.insert(h.rgb.end(), row, row + h.width * 3);
    }
    return h;
}

}  // namespace

TEST(Menus, SideBySideFromTheCommandLineShowsBothEyesUntilStereoIsToggledOff) {
    Viewer v({"--stereo", "side-by-side"});
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot pair = v.shot();
    keep_shot(pair, "stereo-side-by-side");
    // Two views of one scene from eyes a little apart, with the disk in both.
    double eyes_apart = fraction_differing(half_of(pair, false), half_of(pair, true), 24);
    EXPECT_LT(eyes_apart, 0.3);
    EXPECT_GT(eyes_apart, 0.001);
    EXPECT_GT(colour_variance(pair, pair.width / 2, pair.height / 2, pair.width, pair.height), 50.0);
    // "Toggle Stereo " switches the mode it started in off: one picture across the window.
    ASSERT_TRUE(v.choose_menu_entry({STEREO_ENTRY, 0}));
    Screenshot mono = v.shot();
    EXPECT_GT(fraction_differing(half_of(mono, false), half_of(mono, true), 24), 2 * eyes_apart);
    EXPECT_GT(fraction_differing(pair, mono, 24), 0.2);
    EXPECT_TRUE(v.running());
}

TEST(Menus, RasterRetexturesAndDemReloadsTheTerrain) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot start = v.shot();

    int relief = menu_position(v.dir + "/Drape", ".raw", "Relief.raw");
    ASSERT_GE(relief, 0);
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, RASTER_ENTRY, relief}));
    ASSERT_TRUE(v.wait_for_console("./Drape/Relief.info\nLoading Texture...Done!\n"));
    Screenshot draped = v.shot();
    keep_shot(draped, "menu-drape");
    EXPECT_GT(fraction_differing(start, draped, 24), 0.2);

    int canyon = menu_position(v.dir + "/DEM", ".dem", "Canyon.dem");
    ASSERT_GE(canyon, 0);
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, DEM_ENTRY, canyon}));
    ASSERT_TRUE(v.wait_for_console("Canyon.dem\nVertices:16641 Polygons:32768\n"));
    ASSERT_TRUE(v.wait_for_console("Parsing OBJ file...Done!\nTerrain Width Range is 1500"));
    Screenshot canyon_view = v.shot();
    keep_shot(canyon_view, "menu-dem");
    EXPECT_GT(fraction_differing(draped, canyon_view, 24), 0.2);
    EXPECT_GT(colour_variance(canyon_view, 0, canyon_view.height / 2, canyon_view.width, canyon_view.height), 50.0);
    EXPECT_TRUE(v.running());
}

TEST(Menus, ADemDeletedAfterStartUpIsReportedAndTheTerrainStays) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    int volcano = menu_position(v.dir + "/DEM", ".dem", "Volcano.dem");
    ASSERT_GE(volcano, 0);
    ASSERT_EQ(remove((v.dir + "/DEM/Volcano.dem").c_str()), 0);
    Screenshot before = v.shot();
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, DEM_ENTRY, volcano}));
    ASSERT_TRUE(v.wait_for_console("DEM file not found ./DEM/Volcano.dem"));
    Screenshot after = v.shot();
    keep_shot(after, "menu-dem-deleted");
    EXPECT_TRUE(v.running());
    // The land is still there (the message line may cover a strip of it).
    EXPECT_LT(fraction_differing(before, after, 24), 0.1);
}

TEST(Menus, StereoDrawsTheLandInRedAndBlueOnly) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.toggle_overlay());  // the land alone
    Screenshot mono = v.shot();
    EXPECT_GT(green_share(mono), 0.9);
    ASSERT_TRUE(v.choose_menu_entry({STEREO_ENTRY, 0}));
    Screenshot stereo = v.shot();
    keep_shot(stereo, "stereo");
    EXPECT_GT(fraction_differing(mono, stereo, 24), 0.3);
    EXPECT_LT(green_share(stereo), 0.02);
    EXPECT_GT(mean_brightness(stereo, 0, stereo.height / 2, stereo.width, stereo.height), 20.0);

    // The sky and fog still work on top of the pair.
    ASSERT_TRUE(v.press_key("s"));
    Screenshot sky = v.shot();
    keep_shot(sky, "stereo-sky");
    EXPECT_GT(fraction_differing(stereo, sky, 24), 0.2);
    EXPECT_LT(sky_share(sky), 0.01);
    ASSERT_TRUE(v.press_key("a"));
    Screenshot fog = v.shot();
    keep_shot(fog, "stereo-fog");
    EXPECT_GT(fraction_differing(sky, fog, 24), 0.1);
    EXPECT_TRUE(v.running());
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
    int quick = menu_position(v.dir + "/Flythrough", ".flt", "Quick.flt");
    ASSERT_GE(quick, 0);
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, FLYTHROUGH_ENTRY, quick}));
    ASSERT_TRUE(v.wait_for_console("Opening Flythrough File: Quick.flt"));
    ASSERT_TRUE(v.wait_for_console("No. of Frames: 90\n"));
    // 90 samples play in 91 frames, however long a busy machine takes to draw them.
    ASSERT_TRUE(v.wait_frames(91));
    ASSERT_TRUE(v.wait_for_console("Switching to Normal Mode\n"));
    EXPECT_TRUE(v.running());
}

TEST(Menus, TheSampleTourMovesTheView) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    int tour = menu_position(v.dir + "/Flythrough", ".flt", "Grand_Tour.flt");
    ASSERT_GE(tour, 0) << "the default world has no sample tour";
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, FLYTHROUGH_ENTRY, tour}));
    ASSERT_TRUE(v.wait_for_console("No. of Frames: "));
    Screenshot first = v.shot();
    // One recorded sample a frame: 90 frames fly a good way along the tour.
    ASSERT_TRUE(v.wait_frames(90));
    Screenshot later = v.shot();
    keep_shot(later, "tour");
    EXPECT_GT(fraction_differing(first, later, 24), 0.2);
    EXPECT_GT(colour_variance(later, 0, later.height / 2, later.width, later.height), 50.0);
}

TEST(Menus, TheTreeHoldsItsEntriesAndTheAssetFolders) {
    Viewer v;
    // The Vector folder left empty, whatever samples the default world carries.
    std::filesystem::remove_all(v.dir + "/Vector");
    std::filesystem::create_directory(v.dir + "/Vector");
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    struct { std::vector<int> path; int entries; } menus[] = {
        {{}, 7},                                  // File, Terrain, Stereo, Augmentation, Help, About, Exit
        {{FILE_ENTRY}, 5},                        // DEM, Raster, Map, Flythrough, Vector
        {{FILE_ENTRY, DEM_ENTRY}, 3},             // the sample terrains
        {{FILE_ENTRY, FLYTHROUGH_ENTRY}, 2},      // the sample flights
        {{TERRAIN_ENTRY}, 10},
        {{STEREO_ENTRY}, 17},                    // the classic eight, six modes, red/blue again, more and less depth
        {{AUGMENTATION_ENTRY}, 5},
    };
    for (auto& m : menus) {
        ASSERT_TRUE(v.open_menu(m.path));
        EXPECT_EQ(v.open_menu_entries(), m.entries) << m.path.size();
        ASSERT_TRUE(v.dismiss_menus());
    }
    // The empty Vector folder shows one entry that chooses nothing (an empty
    // submenu would end the program when pointed at).
    ASSERT_TRUE(v.open_menu({FILE_ENTRY, VECTOR_ENTRY}));
    EXPECT_EQ(v.open_menu_entries(), 1);
    ASSERT_TRUE(v.dismiss_menus());
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, VECTOR_ENTRY, 0}));
    EXPECT_TRUE(v.running());
}

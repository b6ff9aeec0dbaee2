// End to end: placing spheres and billboards, saving the geometry layer from
// the geometry tray and loading layers from the Vector menu.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/viewer.h"

namespace {

constexpr int FILE_ENTRY = 0, VECTOR_ENTRY = 4, AUGMENTATION_ENTRY = 3, BILLBOARD3 = 4;
// Vector/ as the menu lists it: the two sample layers, then what a test saves.
constexpr int LAKE_AND_RIVER = 0, SUMMIT_FLAGS = 1;

// Share of strongly red pixels in the middle of the picture.
double red_share(const Screenshot& s) {
    long red = 0, all = 0;
    for (int y = s.height / 4; y < s.height * 3 / 4; ++y)
        for (int x = s.width / 4; x < s.width * 3 / 4; ++x, ++all) {
            const unsigned char* p = &s.rgb[(y * s.width + x) * 3];
            red += p[0] > p[1] + 80 && p[0] > p[2] + 80;
        }
    return all ? (double)red / all : 0.0;
}

}  // namespace

TEST(Geometry, SPlacesARedSphereAndYABillboardOfTheChosenPicture) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.toggle_overlay());
    Screenshot empty = v.shot();
    EXPECT_LT(red_share(empty), 0.001);
    ASSERT_TRUE(v.press_key("shift+s"));  // placed at the eye; the camera steps back to show it
    Screenshot sphere = v.shot();
    keep_shot(sphere, "sphere");
    EXPECT_GT(red_share(sphere), 0.002);

    ASSERT_TRUE(v.choose_menu_entry({AUGMENTATION_ENTRY, BILLBOARD3}));
    ASSERT_TRUE(v.press_key("shift+y"));
    Screenshot billboard = v.shot();
    keep_shot(billboard, "billboard");
    EXPECT_GT(fraction_differing(sphere, billboard, 24), 0.002);
}

TEST(Geometry, ALayerSavedFromTheTrayLoadsAgainFromTheVectorMenu) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.press_key("shift+s"));
    ASSERT_TRUE(v.press_key("shift+s"));
    // The geometry tray's floppy asks for a name under ./Vector/.
    const WindowSpot handle = tray_spot(OP_UNFOLD_TRAY, TRAY_GEOMETRY), save = tray_spot(OP_SAVE_GEOMETRY);
    ASSERT_TRUE(v.click(handle.x, handle.y, 1));  // its folded handle
    ASSERT_TRUE(v.click(save.x, save.y, 1));      // "Save Geometry Layer"
    for (const char* key : {"m", "i", "n", "e", "Return"}) ASSERT_TRUE(v.press_key(key));
    ASSERT_TRUE(v.wait_for_console("After: numitems"));
    FILE* saved = fopen((v.dir + "/Vector/mine.vec").c_str(), "rb");
    ASSERT_NE(saved, nullptr);
    int count = 0;
    EXPECT_EQ(fscanf(saved, "%d", &count), 1);
    fclose(saved);
    EXPECT_EQ(count, 2);

    // A sample layer replaces the two spheres; the saved one brings them back.
    ASSERT_TRUE(v.toggle_overlay());
    Screenshot two_spheres = v.shot();
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, VECTOR_ENTRY, LAKE_AND_RIVER}));
    ASSERT_TRUE(v.wait_for_console("\n\nLake_and_River.vec\n\n"));
    Screenshot sample = v.shot();
    keep_shot(sample, "sample-layer");
    EXPECT_GT(fraction_differing(two_spheres, sample, 24), 0.002);
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, VECTOR_ENTRY, 2}));  // mine.vec, listed after the samples
    ASSERT_TRUE(v.wait_for_console("\n\nmine.vec\n\n"));
    EXPECT_LT(fraction_differing(two_spheres, v.shot(), 24), 0.005);

    // A layer gone since the menu was made is reported; the program and the layer stay.
    remove((v.dir + "/Vector/Summit_Flags.vec").c_str());
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, VECTOR_ENTRY, SUMMIT_FLAGS}));
    ASSERT_TRUE(v.wait_for_console("Did not Find Vector File ./Vector/Summit_Flags.vec"));
    EXPECT_TRUE(v.running());
    EXPECT_LT(fraction_differing(two_spheres, v.shot(), 24), 0.005);
}

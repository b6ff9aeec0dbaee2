// End to end: --lod-error makes the viewer build simplified tiles after the
// load and draw distant ground from them, and the picture keeps to what
// exact drawing shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/viewer.h"

namespace {

// The frame-rate read-out's line at the top of the window (its figures
// change with the machine's speed, and its height follows a second late):
// the pictures are compared below it.
constexpr int READOUT_ROWS = 32;

// The default world from its start pose raised a little, with the disk and
// trays hidden, so that the picture is ground and sky only; with `levels`,
// the picture is of a frame that drew ground from detail levels, whatever
// the console said before.
Screenshot raised_view(Viewer& v, bool levels) {
    if (!v.toggle_overlay()) return {};
    for (int i = 0; i < 3; ++i)
        if (!v.press_key("ctrl+Up")) return {};
    if (levels && !v.wait_for_level_frames(SETTLE_FRAMES)) return {};
    return v.shot();
}

}  // namespace

TEST(DetailLevels, BuiltAfterTheLoadTheyKeepThePictureOfExactDrawing) {
    Screenshot exact;
    {
        Viewer v;
        ASSERT_TRUE(v.start("\n"));
        ASSERT_TRUE(v.open_window());
        exact = raised_view(v, false);
        // The default world's 131,072 faces are drawn exactly unless the bound is given.
        EXPECT_EQ(v.console().find("Building detail levels"), std::string::npos);
        EXPECT_EQ(v.level_draws(), 0);
    }
    Viewer v({"--lod-error", "1"});
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.wait_for_console("Building detail levels...Done!\n", START_TIMEOUT_MS));
    Screenshot levels = raised_view(v, true);
    keep_shot(levels, "detail-levels");
    ASSERT_EQ(levels.width, exact.width);
    ASSERT_EQ(levels.height, exact.height);
    ASSERT_FALSE(exact.rgb.empty());

    // Distant ground is drawn from other triangles (so the pictures differ),
    // by at most a level and a half of 255 on average, and ground never
    // turns into the black sky beyond a hundredth of a percent of the pixels.
    long sum = 0, differing = 0, lost = 0;
    size_t first = (size_t)READOUT_ROWS * exact.width * 3;
    for (size_t i = first; i < exact.rgb.size(); i += 3) {
        bool ground = false, sky = true, differs = false;
        for (int k = 0; k < 3; ++k) {
            int d = std::abs(exact.rgb[i + k] - levels.rgb[i + k]);
            sum += d;
            differs = differs || d != 0;
            ground = ground || exact.rgb[i + k] > 4;
            sky = sky && levels.rgb[i + k] <= 4;
        }
        differing += differs;
        lost += ground && sky;
    }
    long pixels = (long)(exact.rgb.size() - first) / 3;
    double mean = (double)sum / (3.0 * pixels);
    EXPECT_GT(differing, 0);
    EXPECT_LE(mean, 1.5);
    EXPECT_LE(lost, pixels / 10000);
    printf("detail levels: %ld pixels differ, mean difference %.3f / 255, %ld ground pixels show sky\n", differing,
           mean, lost);
}

// End to end: the panoramic sky ('s') and fog ('a') in the running viewer.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/viewer.h"

TEST(SkyAndFog, SShowsTheSkyAboveTheLandAndATurnsFogOn) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.wait_for_console("Generating Skybox...done!", START_TIMEOUT_MS));
    ASSERT_TRUE(v.open_window());
    Screenshot plain = v.shot();
    EXPECT_GT(sky_share(plain), 0.5);

    ASSERT_TRUE(v.press_key("s"));
    Screenshot sky = v.shot();
    keep_shot(sky, "sky");
    EXPECT_GT(fraction_differing(plain, sky, 24), 0.2);
    // The upper half is now sky: bright and blue, not black.
    EXPECT_LT(sky_share(sky), 0.01);
    EXPECT_GT(mean_brightness(sky, 0, 0, sky.width, sky.height / 4), 100.0);
    long blue = 0, total = 0;
    for (int y = 0; y < sky.height / 4; ++y)
        for (int x = 0; x < sky.width; x += 4) {
            const unsigned char* p = &sky.rgb[(y * sky.width + x) * 3];
            blue += p[2] > p[0] + 20;
            ++total;
        }
    EXPECT_GT((double)blue / total, 0.5);

    ASSERT_TRUE(v.press_key("a"));
    Screenshot fog = v.shot();
    keep_shot(fog, "fog");
    EXPECT_GT(fraction_differing(sky, fog, 24), 0.2);
    // The sky box lies beyond the fog's end: it turns the fog grey.
    EXPECT_GT(fraction_near_colour(fog, 0, 0, fog.width, fog.height / 4, 128, 128, 128, 4), 0.95);

    ASSERT_TRUE(v.press_key("a"));
    ASSERT_TRUE(v.press_key("s"));
    EXPECT_LT(fraction_differing(plain, v.shot(), 8), 0.01);
}

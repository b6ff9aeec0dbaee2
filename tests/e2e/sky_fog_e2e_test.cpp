// End to end: the panoramic sky ('s') and fog ('a') in the running viewer.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/harness.h"

TEST(SkyAndFog, SShowsTheSkyAboveTheLandAndATurnsFogOn) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(wait_for_console(&v.process, "Generating Skybox...done!", START_TIMEOUT_MS)) << v.console();
    ASSERT_TRUE(v.open_window());
    Screenshot plain = v.shot();
    EXPECT_GT(sky_share(plain), 0.5);

    ASSERT_TRUE(press_key(&v.process, "s"));
    Screenshot sky;
    ASSERT_TRUE(wait_for_difference(&v.process, plain, 24, 0.2, 10000, &sky));
    keep_shot(sky, "sky");
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

    ASSERT_TRUE(press_key(&v.process, "a"));
    Screenshot fog;
    ASSERT_TRUE(wait_for_difference(&v.process, sky, 24, 0.2, 10000, &fog));
    keep_shot(fog, "fog");
    // The sky box lies beyond the fog's end: it turns the fog grey.
    EXPECT_GT(fraction_near_colour(fog, 0, 0, fog.width, fog.height / 4, 128, 128, 128, 4), 0.95);

    ASSERT_TRUE(press_key(&v.process, "a"));
    ASSERT_TRUE(press_key(&v.process, "s"));
    // Both switches back off: the first view returns.
    Screenshot back;
    EXPECT_TRUE(wait_for_screen(
        &v.process, [&](const Screenshot& s) { return fraction_differing(plain, s, 8) < 0.01; }, 10000, &back));
}

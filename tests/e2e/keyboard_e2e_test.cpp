// End to end: keyboard commands in the running viewer.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/viewer.h"

TEST(Keyboard, TTogglesTheTextureOffAndOn) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot textured = v.shot();
    ASSERT_TRUE(v.press_key("t"));
    Screenshot plain = v.shot();
    keep_shot(plain, "untextured");
    EXPECT_GT(fraction_differing(textured, plain, 24), 0.3);
    // Without the texture the lit land is shades of grey.
    EXPECT_GT(grey_share(plain), 0.95);
    ASSERT_TRUE(v.press_key("t"));
    EXPECT_LT(fraction_differing(textured, v.shot(), 8), 0.01);
}

TEST(Keyboard, ShiftIKeepsTheViewerRunning) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot before = v.shot();
    ASSERT_TRUE(v.press_key("shift+i"));
    ASSERT_TRUE(v.press_key("shift+i"));
    Screenshot after = v.shot();
    // Toggled twice, the overlay is as it was, and nothing else about the view has changed.
    EXPECT_LT(fraction_differing(before, after, 8), 0.01);
    EXPECT_GT(colour_variance(after, 0, after.height / 2, after.width, after.height), 100.0);
    EXPECT_TRUE(v.running());
}

TEST(Keyboard, EscapeSaysThankYouAndEndsWithSuccess) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.press_key("Escape"));
    ASSERT_TRUE(v.wait_for_exit());
    EXPECT_EQ(v.exit_status, 0);
    EXPECT_NE(v.console().find("\n\n\n\n\n\n THANK YOU FOR USING KESTROLANE \n\n\n\n\n\n\n\n"), std::string::npos);
}

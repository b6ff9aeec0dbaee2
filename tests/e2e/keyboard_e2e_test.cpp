// End to end: keyboard commands in the running viewer.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/viewer.h"

TEST(Keyboard, TTogglesTheTextureOffAndOn) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.toggle_overlay());  // the land alone
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

TEST(Keyboard, ShiftIHidesTheOverlayAndShowsItAgain) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot before = v.shot();
    ASSERT_TRUE(v.press_key("shift+i"));
    Screenshot hidden = v.shot();
    // The disk in the middle goes; the land around it stays as it was.
    EXPECT_GT(fraction_differing(before, hidden, 24), 0.02);
    EXPECT_LT(fraction_differing(before, hidden, 24), 0.25);
    ASSERT_TRUE(v.press_key("shift+i"));
    EXPECT_LT(fraction_differing(before, v.shot(), 8), 0.01);
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

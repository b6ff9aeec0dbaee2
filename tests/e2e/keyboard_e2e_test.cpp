// End to end: keyboard commands in the running viewer.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/harness.h"

TEST(Keyboard, TTogglesTheTextureOffAndOn) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(hide_overlay(v));
    Screenshot textured = v.shot();
    ASSERT_TRUE(press_key(&v.process, "t"));
    Screenshot plain;
    ASSERT_TRUE(wait_for_difference(&v.process, textured, 24, 0.3, 10000, &plain));
    keep_shot(plain, "untextured");
    // Without the texture the lit land is shades of grey.
    EXPECT_GT(grey_share(plain), 0.95);
    ASSERT_TRUE(press_key(&v.process, "t"));
    Screenshot again;
    ASSERT_TRUE(wait_for_difference(&v.process, plain, 24, 0.3, 10000, &again));
    EXPECT_LT(fraction_differing(textured, again, 8), 0.01);
}

TEST(Keyboard, ShiftIKeepsTheViewerRunning) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot with_overlay = v.shot();
    ASSERT_TRUE(hide_overlay(v));
    Screenshot without = v.shot();
    // The disk in the middle goes; the land around it stays.
    EXPECT_GT(fraction_differing(with_overlay, without, 24), 0.02);
    EXPECT_LT(fraction_differing(with_overlay, without, 24), 0.25);
    ASSERT_TRUE(press_key(&v.process, "shift+i"));
    Screenshot back;
    ASSERT_TRUE(wait_for_difference(&v.process, without, 24, 0.02, 10000, &back));
    EXPECT_LT(fraction_differing(with_overlay, back, 24), 0.01);
}

TEST(Keyboard, EscapeSaysThankYouAndEndsWithSuccess) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(press_key(&v.process, "Escape"));
    int status = -1;
    ASSERT_TRUE(wait_for_exit(&v.process, 10000, &status));
    EXPECT_EQ(status, 0);
    EXPECT_NE(v.console().find("\n\n\n\n\n\n THANK YOU FOR USING KESTROLANE \n\n\n\n\n\n\n\n"), std::string::npos);
}

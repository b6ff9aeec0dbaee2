// End to end: start the real viewer in a scratch world under X, answer the
// dialogue, fly with the keys, and look at what the user sees.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/viewer.h"

TEST(StartUp, EnterStartsTheDefaultWorldLitAndTextured) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.wait_for_console("Building Display Lists...Done!\n", START_TIMEOUT_MS));
    std::string console = v.console();
    for (const char* line : {"Welcome to Kestrolane- the Stereo DEM Flythrough Demo\n",
                             "\n\nPress h for Help or Enter to Continue...",
                             "Loading Navi TexturesLoading Side TexturesGenerating Skybox...done!\nVertices:",
                             " Polygons:",
                             "Loading Texture...Done!\n", "Parsing OBJ file...Done!\n",
                             "Terrain Width Range is ", "...Setting Movement Speed to ", "Terrain Height Range is ",
                             "Calculating Average Vertex Normals...Done!\n"}) {
        EXPECT_NE(console.find(line), std::string::npos) << line;
    }
    ASSERT_TRUE(v.open_window());
    int w = 0, h = 0;
    ASSERT_TRUE(v.window_size(&w, &h));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    Screenshot shot = v.shot();
    keep_shot(shot, "startup");
    // The lower half is land: lit, textured, not uniform.
    EXPECT_GT(mean_brightness(shot, 0, h / 2, w, h), 30.0);
    EXPECT_GT(colour_variance(shot, 0, h / 2, w, h), 100.0);
    EXPECT_LT(fraction_near_colour(shot, 0, h / 2, w, h, 0, 0, 0, 4), 0.05);
    EXPECT_LT(grey_share(shot), 0.5);  // the texture is in colour
    EXPECT_TRUE(v.running());
}

TEST(StartUp, HelpAnswerShowsTheHelpThenStartsTheDefaults) {
    Viewer v;
    ASSERT_TRUE(v.start("h\n\n"));
    ASSERT_TRUE(v.wait_for_console("Building Display Lists...Done!\n", START_TIMEOUT_MS));
    std::string console = v.console();
    EXPECT_NE(console.find("Help:\na)Navigation:\n"), std::string::npos);
    EXPECT_NE(console.find("\n\n Press Enter to continue..."), std::string::npos);
    EXPECT_EQ(console.find("Config Utility"), std::string::npos);
    ASSERT_TRUE(v.open_window());
}

TEST(Flying, CtrlUpRaisesTheEyeAndUpMovesTheView) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot start = v.shot();

    for (int i = 0; i < 4; ++i) ASSERT_TRUE(v.press_key("ctrl+Up"));
    Screenshot raised = v.shot();
    keep_shot(raised, "after-ctrl-up");
    EXPECT_GT(fraction_differing(start, raised, 24), 0.10);
    // Higher up, the land sinks in the view and more sky shows above it.
    EXPECT_GT(sky_share(raised), sky_share(start) + 0.02);

    // The whole terrain is crossed in about a hundred frames, so a few frames
    // of flight move the view without leaving the land.
    ASSERT_TRUE(v.hold_key("Up", 3));
    Screenshot moved = v.shot();
    keep_shot(moved, "after-up");
    EXPECT_GT(fraction_differing(raised, moved, 24), 0.05);
    EXPECT_GT(colour_variance(moved, 0, moved.height / 2, moved.width, moved.height), 100.0);
    EXPECT_TRUE(v.running());
}

TEST(ConfigUtility, GreyscaleTextureGivesAGreyTerrain) {
    Viewer v;
    // A one-component copy of the default texture.
    FILE* in = fopen((v.dir + "/Default.raw").c_str(), "rb");
    FILE* out = fopen((v.dir + "/Grey.raw").c_str(), "wb");
    ASSERT_TRUE(in && out);
    unsigned char rgb[3];
    while (fread(rgb, 1, 3, in) == 3) fputc((rgb[0] * 3 + rgb[1] * 6 + rgb[2]) / 10, out);
    fclose(in);
    fclose(out);

    ASSERT_TRUE(v.start("n\nDefault.obj\nGrey.raw\n1\n2\n"));
    ASSERT_TRUE(v.wait_for_console("Building Display Lists...Done!\n", START_TIMEOUT_MS));
    EXPECT_NE(v.console().find("\nConfig Utility\nEnter Terrain File Name (obj):"), std::string::npos);
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.toggle_overlay());
    Screenshot shot = v.shot();
    keep_shot(shot, "greyscale");
    EXPECT_GT(grey_share(shot), 0.95);
    EXPECT_GT(colour_variance(shot, 0, shot.height / 2, shot.width, shot.height), 50.0);
}

TEST(Failures, MissingDefaultTerrainWaitsForAKeyThenFails) {
    Viewer v;
    ASSERT_EQ(remove((v.dir + "/Default.obj").c_str()), 0);
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.wait_for_console("\nDEM file not found Default.obj...Quitting.\n", START_TIMEOUT_MS));
    EXPECT_TRUE(v.wait_until_reading_console());  // still there, waiting for the user
    ASSERT_TRUE(v.send_console("x"));
    ASSERT_TRUE(v.wait_for_exit());
    EXPECT_NE(v.exit_status, 0);
}

TEST(Failures, NoDisplaySaysSoAndFails) {
    Viewer v;
    ASSERT_TRUE(v.start("", false));
    ASSERT_TRUE(v.wait_for_exit());
    EXPECT_NE(v.exit_status, 0);
    EXPECT_NE(v.console().find("needs a graphical display"), std::string::npos) << v.console();
}

// End to end: start the real viewer in a scratch world under X, answer the
// dialogue, fly with the keys, and look at what the user sees.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/harness.h"


TEST(StartUp, EnterStartsTheDefaultWorldLitAndTextured) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(wait_for_console(&v.process, "Building Display Lists...Done!\n", START_TIMEOUT_MS)) << v.console();
    std::string console = v.console();
    for (const char* line : {"Welcome to Kestrolane- the Stereo DEM Flythrough Demo\n",
                             "\n\nPress h for Help or Enter to Continue...", "\nVertices:", " Polygons:",
                             "Loading Texture...Done!\n", "Parsing OBJ file...Done!\n",
                             "Terrain Width Range is ", "...Setting Movement Speed to ", "Terrain Height Range is ",
                             "Calculating Average Vertex Normals...Done!\n"}) {
        EXPECT_NE(console.find(line), std::string::npos) << line;
    }
    ASSERT_TRUE(v.open_window());
    int x, y, w, h;
    ASSERT_TRUE(read_window_geometry(&v.process, &x, &y, &w, &h));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    Screenshot shot = v.shot();
    keep_shot(shot, "startup");
    // The lower half is land: lit, textured, not uniform.
    EXPECT_GT(mean_brightness(shot, 0, h / 2, w, h), 30.0);
    EXPECT_GT(colour_variance(shot, 0, h / 2, w, h), 100.0);
    EXPECT_LT(fraction_near_colour(shot, 0, h / 2, w, h, 0, 0, 0, 4), 0.05);
    EXPECT_LT(grey_share(shot), 0.5);  // the texture is in colour
    EXPECT_TRUE(is_running(&v.process));
}

TEST(StartUp, HelpAnswerShowsTheHelpThenStartsTheDefaults) {
    Viewer v;
    ASSERT_TRUE(v.start("h\n\n"));
    ASSERT_TRUE(wait_for_console(&v.process, "Building Display Lists...Done!\n", START_TIMEOUT_MS)) << v.console();
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

    for (int i = 0; i < 4; ++i) ASSERT_TRUE(press_key(&v.process, "ctrl+Up"));
    Screenshot raised;
    ASSERT_TRUE(wait_for_difference(&v.process, start, 24, 0.10, 10000, &raised));
    keep_shot(raised, "after-ctrl-up");
    // Higher up, the land sinks in the view and more sky shows above it.
    EXPECT_GT(sky_share(raised), sky_share(start) + 0.02);

    // The whole terrain is crossed in about a hundred frames, so a short tap
    // is enough to move the view without flying off the land.
    ASSERT_TRUE(press_key(&v.process, "Up"));
    Screenshot moved;
    ASSERT_TRUE(wait_for_difference(&v.process, raised, 24, 0.05, 10000, &moved));
    keep_shot(moved, "after-up");
    EXPECT_GT(colour_variance(moved, 0, moved.height / 2, moved.width, moved.height), 100.0);
    EXPECT_TRUE(is_running(&v.process));
}

TEST(StartUp, QuadOptionShowsTheTriangleListFirst) {
    Viewer plain;
    ASSERT_TRUE(plain.start("\n"));
    ASSERT_TRUE(plain.open_window());
    Screenshot a = plain.shot();
    stop_viewer(&plain.process);

    Viewer quads({"-q"});
    ASSERT_TRUE(quads.start("\n"));
    ASSERT_TRUE(quads.open_window());
    Screenshot b = quads.shot();
    keep_shot(b, "startup-q");
    EXPECT_LT(fraction_differing(a, b, 8), 0.01);
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
    ASSERT_TRUE(wait_for_console(&v.process, "Building Display Lists...Done!\n", START_TIMEOUT_MS)) << v.console();
    EXPECT_NE(v.console().find("\nConfig Utility\nEnter Terrain File Name (obj):"), std::string::npos);
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(hide_overlay(v));
    Screenshot shot = v.shot();
    keep_shot(shot, "greyscale");
    EXPECT_GT(grey_share(shot), 0.95);
    EXPECT_GT(colour_variance(shot, 0, shot.height / 2, shot.width, shot.height), 50.0);
}

TEST(Failures, MissingDefaultTerrainWaitsForAKeyThenFails) {
    Viewer v;
    ASSERT_EQ(remove((v.dir + "/Default.obj").c_str()), 0);
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(wait_for_console(&v.process, "\nDEM file not found Default.obj...Quitting.\n", START_TIMEOUT_MS))
        << v.console();
    int status = 0;
    EXPECT_FALSE(wait_for_exit(&v.process, 1000, &status));  // still waiting for the user
    ASSERT_TRUE(send_console(&v.process, "x"));
    ASSERT_TRUE(wait_for_exit(&v.process, 10000, &status));
    EXPECT_NE(status, 0);
}

TEST(Failures, NoDisplaySaysSoAndFails) {
    std::string dir = make_scratch_world(WORLD_DIR);
    std::string command = "cd " + dir + " && env -u DISPLAY " + KESTROLANE_EXE + " </dev/null 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    int status = pclose(pipe);
    EXPECT_NE(status, 0);
    EXPECT_NE(output.find("needs a graphical display"), std::string::npos) << output;
    remove_scratch_world(dir);
}

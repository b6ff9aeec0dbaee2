// The start-up dialogue and the fatal-error pause.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/startup.h"
#include "camera/stereo_camera.h"
#include "files/console.h"
#include "state/app_state.h"
#include "state/texture_state.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

struct DialogueResult {
    std::string console;
    std::string rest;  // input left unread
};

DialogueResult run_dialogue(const std::string& input) {
    FILE* in = fmemopen((void*)input.data(), input.size(), "r");
    testing::internal::CaptureStdout();
    run_start_dialogue(in);
    DialogueResult r;
    r.console = testing::internal::GetCapturedStdout();
    int c;
    while ((c = getc(in)) != EOF) r.rest += (char)c;
    fclose(in);
    return r;
}

using StartDialogue = ViewerTest;
using ConfigUtility = ViewerTest;

}  // namespace

TEST_F(StartDialogue, BareEnterStartsTheDefaultWorld) {
    DialogueResult r = run_dialogue("\n");
    EXPECT_STREQ(terrain_file_name, "Default.obj");
    EXPECT_STREQ(texture_file_name, "Default.raw");
    EXPECT_EQ(texture_width, 256);
    EXPECT_EQ(texture_height, 256);
    EXPECT_EQ(texture_components, 3);
    EXPECT_NE(r.console.find("Welcome to Kestrolane- the Stereo DEM Flythrough Demo"), std::string::npos);
    EXPECT_NE(r.console.find("\n\nPress h for Help or Enter to Continue..."), std::string::npos);
    EXPECT_NE(r.console.find(std::string(76, '*') + "\n"), std::string::npos);
}

TEST_F(StartDialogue, EndOfInputAndOtherAnswersAlsoGiveDefaults) {
    run_dialogue("");
    EXPECT_STREQ(terrain_file_name, "Default.obj");
    DialogueResult r = run_dialogue("xyz\nkept\n");
    EXPECT_STREQ(texture_file_name, "Default.raw");
    EXPECT_EQ(r.rest, "kept\n");  // only the answer's own line is dropped
}

TEST_F(StartDialogue, HelpIsShownThenEnterGivesDefaults) {
    DialogueResult r = run_dialogue("h\n\n");
    EXPECT_NE(r.console.find("Help:\na)Navigation:\n 1)Arrow Keys to move around\n"), std::string::npos);
    EXPECT_NE(r.console.find("e)ESC to quit \n\n" + std::string(70, '*') + "\n"), std::string::npos);
    EXPECT_NE(r.console.find("\n\n Press Enter to continue..."), std::string::npos);
    EXPECT_STREQ(terrain_file_name, "Default.obj");
    EXPECT_EQ(r.console.find("Config Utility"), std::string::npos);
}

TEST_F(ConfigUtility, NamesSizeAndGreyscale) {
    DialogueResult r = run_dialogue("n\nHills.obj\nHills.raw\n2\n2\n");
    EXPECT_NE(r.console.find("\nConfig Utility\nEnter Terrain File Name (obj):Enter Texture File Name (obj):"
                             "Texture Size 1) 256 2) 512 3)1024 4)2048 ?1)Color 2)GreyScale ?"),
              std::string::npos)
        << r.console;
    EXPECT_STREQ(terrain_file_name, "Hills.obj");
    EXPECT_STREQ(texture_file_name, "Hills.raw");
    EXPECT_EQ(texture_width, 512);
    EXPECT_EQ(texture_height, 512);
    EXPECT_EQ(texture_components, 1);
}

TEST_F(ConfigUtility, UnknownSizeGoesWith1024AndUnknownColourMeansColour) {
    DialogueResult r = run_dialogue("n\na.obj\nb.raw\n7\n5\n");
    EXPECT_NE(r.console.find("Going with 1024x1024"), std::string::npos);
    EXPECT_EQ(texture_width, 1024);
    EXPECT_EQ(texture_components, 3);

    run_dialogue("n\na.obj\nb.raw\nfour\n1\n");
    EXPECT_EQ(texture_width, 1024);
    EXPECT_EQ(texture_components, 3);

    // Blank lines at a number prompt are not an answer: the number still comes.
    run_dialogue("n\na.obj\nb.raw\n\n  \n2\n\n2\n");
    EXPECT_EQ(texture_width, 512);
    EXPECT_EQ(texture_components, 1);
    for (long answer = 1; answer <= 4; ++answer) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(texture_size_for_answer(answer), 256 << (answer - 1));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
}

TEST_F(ConfigUtility, ANameIsTheWholeLineBlanksAndAll) {
    DialogueResult r = run_dialogue("n\n\n  My Hills.obj  \r\nMy Hills.raw\n2\n1\n");
    EXPECT_STREQ(terrain_file_name, "My Hills.obj");
    EXPECT_STREQ(texture_file_name, "My Hills.raw");
    EXPECT_EQ(texture_width, 512);  // the later answers did not shift
    EXPECT_EQ(texture_components, 3);
}

TEST_F(ConfigUtility, ANameThatDoesNotFitIsRefusedAndAskedAgain) {
    std::string too_long(FILE_NAME_SIZE, 'q'), just_fits(FILE_NAME_SIZE - 1, 'k');
    DialogueResult r = run_dialogue("n\n" + too_long + "\n" + just_fits + "\n" + too_long + "x y\nshort.raw\n1\n1\n");
    EXPECT_STREQ(terrain_file_name, just_fits.c_str());
    EXPECT_STREQ(texture_file_name, "short.raw");
    EXPECT_EQ(texture_width, 256);
    std::string refusal = "\nThat name is longer than 51 characters; enter a shorter one.\n";
    EXPECT_NE(r.console.find("Enter Terrain File Name (obj):" + refusal + "Enter Terrain File Name (obj):"),
              std::string::npos)
        << r.console;
    EXPECT_NE(r.console.find("Enter Texture File Name (obj):" + refusal + "Enter Texture File Name (obj):"),
              std::string::npos)
        << r.console;
}

TEST(FatalError, PrintsWaitsForACharacterAndExitsWithFailure) {
    std::string out_path = make_temp_dir() + "/console.txt";
    EXPECT_EXIT(
        {
            freopen(out_path.c_str(), "w", stdout);
            freopen("/dev/null", "r", stdin);
            fatal_error("\nDEM file not found %s...Quitting.\n", "x.dem");
        },
        testing::ExitedWithCode(1), "");
    EXPECT_EQ(read_file(out_path), "\nDEM file not found x.dem...Quitting.\n");
}

TEST(ViewerOptions, StereoStartsInTheModeNamedAloneInRedBlue) {
    ViewerOptions options;
    char error[160] = "";
    const char* none[] = {"kestrolane", "-q"};
    ASSERT_TRUE(parse_viewer_options(2, none, &options, error, sizeof error));
    EXPECT_EQ(options.stereo_mode, -1);
    const char* named[] = {"kestrolane", "--stereo", "side-by-side-half", "-q"};
    ASSERT_TRUE(parse_viewer_options(4, named, &options, error, sizeof error));
    EXPECT_EQ(options.stereo_mode, STEREO_SIDE_BY_SIDE_HALF);
    EXPECT_TRUE(options.quads);
    const char* bare[] = {"kestrolane", "--stereo", "-q"};
    ASSERT_TRUE(parse_viewer_options(3, bare, &options, error, sizeof error));
    EXPECT_EQ(options.stereo_mode, STEREO_RED_BLUE);
    EXPECT_TRUE(options.quads);
    const char* joined[] = {"kestrolane", "--stereo=rows"};
    ASSERT_TRUE(parse_viewer_options(2, joined, &options, error, sizeof error));
    EXPECT_EQ(options.stereo_mode, STEREO_ROWS);
    const char* wrong[] = {"kestrolane", "--stereo=3d"};
    EXPECT_FALSE(parse_viewer_options(2, wrong, &options, error, sizeof error));
    EXPECT_NE(std::string(error).find("side-by-side"), std::string::npos);
    const char* mistyped[] = {"kestrolane", "--stereo", "redcyan"};
    EXPECT_FALSE(parse_viewer_options(3, mistyped, &options, error, sizeof error));
    EXPECT_NE(std::string(error).find("not \"redcyan\""), std::string::npos) << error;
}

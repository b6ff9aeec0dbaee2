// Recording, naming, saving and playing a flythrough through the real
// callbacks, with frames drawn by the real frame pass.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "camera/camera.h"
#include "flythrough/flythrough.h"
#include "frame/frame.h"
#include "input/keyboard.h"
#include "state/app_state.h"
#include "state/asset_state.h"
#include "state/camera_state.h"
#include "state/flythrough_state.h"
#include "state/frame_state.h"
#include "state/keyboard_state.h"
#include "state/overlay_state.h"
#include "tests/gl/gl_support.h"
#include "tests/support/temp_files.h"

namespace {

void type(const char* keys) {
    for (const char* k = keys; *k; ++k) on_keyboard((unsigned char)*k, 0, 0);
}

class FlythroughGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_NE(getcwd(previous_dir, sizeof previous_dir), nullptr);
        world = make_temp_dir();
        mkdir((world + "/Flythrough").c_str(), 0755);
        ASSERT_EQ(chdir(world.c_str()), 0);
        load_startup_terrain(grid_terrain_text(9, 9, dome_height));
        flythrough_menu = glutCreateMenu(on_flythrough_menu);
        draw_frame();
    }
    void TearDown() override {
        glutDestroyMenu(flythrough_menu);
        ASSERT_EQ(chdir(previous_dir), 0);
    }
    std::string world;
    char previous_dir[1024];
};

}  // namespace

TEST_F(FlythroughGl, RecordNameSaveRefreshAndPlayBack) {
    long frames = frames_drawn;
    std::vector<float> recorded_z;
    start_recording();
    recorded_z.push_back(camera_eye_z);
    EXPECT_EQ(frames_drawn, frames + 1);
    EXPECT_STREQ(message_text, "Recording...SPACE to stop");
    apply_special_key(101, 0);  // Up held
    for (int i = 0; i < 20; ++i) {
        draw_frame();
        recorded_z.push_back(camera_eye_z);
    }
    apply_special_key_up(101);
    EXPECT_LT(camera_eye_z, -1.0f);
    type(" ");
    EXPECT_EQ(mode_normal, 1);
    EXPECT_EQ(message_visible, 0);
    EXPECT_STREQ(filename_prompt, "Enter FileName: ./Flythrough/");
    testing::internal::CaptureStdout();
    type("tour\r");
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("BEfore: numitems 0\nAfter: numitems 0\n"), std::string::npos) << console;
    std::string text = read_file("Flythrough/tour.flt");
    EXPECT_EQ(text.rfind("21\n", 0), 0u) << text.substr(0, 40);
    EXPECT_STREQ(flythrough_menu_names[2], "tour.flt");
    glutSetMenu(flythrough_menu);
    EXPECT_EQ(glutGet(GLUT_MENU_NUM_ITEMS), 1);

    camera_eye_z = 300;
    testing::internal::CaptureStdout();
    on_flythrough_menu(2);
    draw_frame();  // the start pose
    std::vector<float> played_z;
    for (int i = 0; i < 21; ++i) {
        draw_frame();
        played_z.push_back(mode_playback ? camera_eye_z : NAN);
    }
    console = testing::internal::GetCapturedStdout();
    // Frame for frame; the frame of the last sample also ends playback.
    for (int i = 0; i < 20; ++i) EXPECT_FLOAT_EQ(played_z[i], recorded_z[i]) << i;
    EXPECT_TRUE(std::isnan(played_z[20]));
    EXPECT_NE(console.find("Opening Flythrough File: tour.flt"), std::string::npos);
    EXPECT_NE(console.find("No. of Frames: 21\n"), std::string::npos);
    EXPECT_NE(console.find("Switching to Normal Mode\n"), std::string::npos);
    EXPECT_EQ(mode_normal, 1);
    EXPECT_EQ(message_visible, 0);
}

TEST_F(FlythroughGl, SaveThatCannotBeCreatedAsksAgainAndKeepsTheSamples) {
    start_recording();
    for (int i = 0; i < 5; ++i) draw_frame();
    type(" ");
    rmdir("Flythrough");
    testing::internal::CaptureStdout();
    type("lost\r");
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("Cannot create ./Flythrough/lost.flt"), std::string::npos) << console;
    EXPECT_NE(std::string(message_text).find("Cannot create"), std::string::npos);
    EXPECT_EQ(filename_entry_active, 1);
    EXPECT_STREQ(filename_prompt, "Enter FileName: ./Flythrough/");
    EXPECT_EQ(flythrough_frame, 6);
    mkdir("Flythrough", 0755);
    testing::internal::CaptureStdout();
    type("kept\r");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(read_file("Flythrough/kept.flt").rfind("6\n", 0), 0u);
    EXPECT_EQ(message_visible, 0);  // the refusal does not stay over the save that worked
}

TEST_F(FlythroughGl, RecordWhileTheNameIsAskedForKeepsTheRecording) {
    testing::internal::CaptureStdout();
    start_recording();
    for (int i = 0; i < 7; ++i) draw_frame();
    type(" ");
    int recorded = flythrough_frame;
    start_recording();  // "Record Flythrough" again before the name is entered
    draw_frame();
    EXPECT_EQ(mode_record, 0);
    EXPECT_EQ(flythrough_frame, recorded);
    EXPECT_NE(std::string(message_text).find("before recording again"), std::string::npos) << message_text;
    type("first\r");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(read_file("Flythrough/first.flt").rfind(std::to_string(recorded) + "\n", 0), 0u);
    EXPECT_EQ(mode_normal, 1);
}

TEST_F(FlythroughGl, RecordWhileRecordingSaysSoAndGoesOn) {
    start_recording();
    draw_frame();
    start_recording();
    EXPECT_STREQ(message_text, "Recording...SPACE to stop");
    EXPECT_EQ(flythrough_frame, 4);  // start, one frame, "Already in Record!", "Recording..."
    EXPECT_EQ(mode_record, 1);
}

TEST_F(FlythroughGl, LoadingIsRefusedUntilTheRecordingIsSaved) {
    FILE* f = fopen("Flythrough/short.flt", "w");
    fputs("2\n0 0 0 0 0 -1\n10 0 0 0\n10 0 0 0\n", f);
    fclose(f);
    testing::internal::CaptureStdout();
    start_recording();
    for (int i = 0; i < 5; ++i) draw_frame();
    EXPECT_FALSE(load_flythrough("short.flt", true));
    EXPECT_EQ(mode_record, 1);
    EXPECT_NE(strstr(message_text, "SPACE"), nullptr) << message_text;
    on_keyboard(' ', 0, 0);  // stop: the name is asked for
    int recorded = flythrough_frame;
    EXPECT_GE(recorded, 5);
    EXPECT_FALSE(load_flythrough("short.flt", true));
    EXPECT_EQ(flythrough_frame, recorded);  // the recording's samples are still there
    type("kept\r");
    EXPECT_TRUE(load_flythrough("short.flt", true));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(mode_playback, 1);
    EXPECT_EQ(read_file("Flythrough/kept.flt").rfind(std::to_string(recorded) + "\n", 0), 0u);
    remove("Flythrough/kept.flt");
}

TEST_F(FlythroughGl, AFlythroughGoneSinceTheScanKeepsTheProgramInItsMode) {
    snprintf(flythrough_menu_names[2], ASSET_NAME_SIZE, "%s", "gone.flt");
    testing::internal::CaptureStdout();
    on_flythrough_menu(2);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("Flythrough file not found ./Flythrough/gone.flt"), std::string::npos) << console;
    EXPECT_EQ(mode_normal, 1);
    EXPECT_EQ(mode_playback, 0);
    EXPECT_STREQ(message_text, "Flythrough file not found ./Flythrough/gone.flt");
    std::string long_name(150, 'q');
    EXPECT_FALSE(load_flythrough(long_name.c_str(), false));
    EXPECT_EQ(mode_normal, 1);
}

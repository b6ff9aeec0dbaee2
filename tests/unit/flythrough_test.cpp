// Flythrough recording, the .flt file and playback, frame by frame.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "flythrough/flythrough.h"
#include "flythrough/flythrough_file.h"
#include "flythrough/frame_modes.h"
#include "state/camera_state.h"
#include "state/flythrough_state.h"
#include "state/overlay_state.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

constexpr int UP = 101, LEFT = 100, RIGHT = 102, DOWN = 103, CTRL = 2, ALT = 4;

class Flythrough : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        move_speed = 30;
        height_step = 7;
    }
};

struct Eye {
    float x, y, z;
};

Eye eye() { return Eye{camera_eye_x, camera_eye_y, camera_eye_z}; }

std::string save_to_temp(const char* name) {
    std::string path = make_temp_dir() + "/" + name;
    char error[FLYTHROUGH_ERROR_SIZE];
    EXPECT_TRUE(write_flythrough_file(path.c_str(), error, sizeof error)) << error;
    return path;
}

int load(const std::string& path, std::string* error_out = nullptr) {
    char error[FLYTHROUGH_ERROR_SIZE] = "";
    int n = read_flythrough_file(path.c_str(), error, sizeof error);
    if (error_out) *error_out = error;
    return n;
}

}  // namespace

TEST_F(Flythrough, FileIsWrittenByteForByte) {
    camera_eye_x = 1.5f;
    camera_eye_z = -2.0f;
    camera_dir_y = -0.25f;
    camera_dir_z = -1.0f;
    ASSERT_TRUE(begin_recording());
    flythrough_speed[0] = 75;
    flythrough_yaw[0] = 0.05f;
    flythrough_height[0] = 10;
    flythrough_dir_y[0] = -0.25f;
    flythrough_speed[1] = 0;
    flythrough_yaw[1] = -0.1f;
    flythrough_height[1] = 12.5f;
    flythrough_dir_y[1] = 0;
    flythrough_frame = 2;
    std::string path = save_to_temp("two.flt");
    EXPECT_EQ(read_file(path),
              "2\n"
              "1.500000 0.000000 -2.000000 1.500000 -0.250000 -3.000000\n"
              "75.000000 0.050000 10.000000 -0.250000\n"
              "0.000000 -0.100000 12.500000 0.000000\n");
}

TEST_F(Flythrough, AStandingStillRecordingPlaysBackWithoutMotion) {
    begin_recording();
    for (int i = 0; i < 5; ++i) step_frame_camera();
    EXPECT_EQ(flythrough_frame, 5);
    std::string path = save_to_temp("still.flt");
    std::string text = read_file(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);  // N + 2 lines
    mode_record = 0;
    mode_normal = 1;
    ASSERT_EQ(load(path), 5);
    begin_playback(5);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(mode_playback, 1);
        step_frame_camera();
        EXPECT_FLOAT_EQ(camera_eye_z, 0.0f);
    }
    EXPECT_EQ(mode_normal, 1);
}

TEST_F(Flythrough, NSamplesTakeNPlusOneFramesAndEndAtTheOrigin) {
    step_frame_camera();  // the frames before the recording aim the camera
    begin_recording();
    apply_special_key(UP, 0);
    for (int i = 0; i < 3; ++i) step_frame_camera();
    std::string path = save_to_temp("three.flt");
    mode_record = 0;
    mode_normal = 1;
    ASSERT_EQ(load(path), 3);
    begin_playback(3);
    camera_eye_z = 500;  // wherever the user was
    EXPECT_TRUE(step_frame_camera());  // frame 1: the start pose
    EXPECT_FLOAT_EQ(camera_eye_z, 0.0f);
    EXPECT_FLOAT_EQ(camera_dir_z, -1.0f);
    EXPECT_TRUE(step_frame_camera());
    EXPECT_TRUE(step_frame_camera());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(step_frame_camera());  // the last sample ends playback
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Switching to Normal Mode\n");
    EXPECT_EQ(mode_normal, 1);
    EXPECT_EQ(mode_playback, 0);
    EXPECT_FLOAT_EQ(camera_eye_z, 0.0f);
    EXPECT_FLOAT_EQ(camera_dir_z, 0.0f);
    EXPECT_FLOAT_EQ(camera_height, 0.0f);
}

TEST_F(Flythrough, ScriptedFlightPlaysBackThroughTheSameEyePositions) {
    // Speeds, turns, height and look steps as a user would give them.
    camera_eye_x = 40;
    camera_eye_z = -25;
    camera_height = 3;
    camera_turn_right = 0.3f;
    step_frame_camera();
    std::vector<Eye> recorded;
    begin_recording();
    for (int frame = 0; frame < 400; ++frame) {
        if (frame == 5) apply_special_key(UP, 0);
        if (frame % 7 == 0) apply_special_key(frame % 3 ? RIGHT : LEFT, 0);
        if (frame % 50 == 10) apply_special_key(UP, CTRL);
        if (frame % 90 == 30) apply_special_key(DOWN, ALT);
        if (frame == 200) apply_special_key_up(UP);
        if (frame == 220) apply_special_key(DOWN, 0);
        if (frame == 300) hold_look_left = 1;
        step_frame_camera();
        recorded.push_back(eye());
    }
    hold_look_left = 0;
    std::string path = save_to_temp("scripted.flt");
    mode_record = 0;
    mode_normal = 1;
    apply_special_key_up(DOWN);
    for (int i = 0; i < 10; ++i) step_frame_camera();  // wander off

    ASSERT_EQ(load(path), 400);
    begin_playback(400);
    step_frame_camera();
    for (int frame = 0; frame < 399; ++frame) {
        step_frame_camera();
        ASSERT_NEAR(camera_eye_x, recorded[frame].x, 0.01f) << frame;
        ASSERT_NEAR(camera_eye_y, recorded[frame].y, 0.01f) << frame;
        ASSERT_NEAR(camera_eye_z, recorded[frame].z, 0.01f) << frame;
    }
    EXPECT_GT(std::fabs(recorded.back().z - recorded.front().z) + std::fabs(recorded.back().x - recorded.front().x),
              100.0f);
}

TEST_F(Flythrough, RecordingStopsTakingSamplesAtTheCapacity) {
    begin_recording();
    testing::internal::CaptureStdout();
    for (int i = 0; i < FLYTHROUGH_CAPACITY + 50; ++i) step_frame_camera();
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(flythrough_frame, FLYTHROUGH_CAPACITY);
    EXPECT_EQ(mode_record, 1);
    EXPECT_NE(console.find("Flythrough full (8000 frames)"), std::string::npos);
    EXPECT_EQ(console.find("Flythrough full", console.find("Flythrough full") + 1), std::string::npos);
    EXPECT_EQ(message_visible, 1);
    std::string path = save_to_temp("full.flt");
    mode_record = 0;
    mode_normal = 1;
    EXPECT_EQ(load(path), FLYTHROUGH_CAPACITY);
}

TEST_F(Flythrough, RecordingAgainKeepsOnlyTheNewSamples) {
    begin_recording();
    for (int i = 0; i < 9; ++i) step_frame_camera();
    EXPECT_FALSE(begin_recording());  // already recording: it goes on
    EXPECT_EQ(flythrough_frame, 9);
    mode_record = 0;
    mode_normal = 1;
    camera_eye_x = 77;
    begin_recording();
    step_frame_camera();
    std::string text = read_file(save_to_temp("again.flt"));
    EXPECT_EQ(text.rfind("1\n77.000000", 0), 0u) << text;
}

TEST_F(Flythrough, BadFilesAreRefusedAndChangeNothing) {
    begin_recording();
    apply_special_key(UP, 0);
    for (int i = 0; i < 4; ++i) step_frame_camera();
    std::string good = save_to_temp("good.flt");
    float speed0 = flythrough_speed[0];
    std::string dir = make_temp_dir();
    struct { const char* name; const char* text; const char* says; } cases[] = {
        {"zero.flt", "0\n0 0 0 0 0 -1\n", "frame count"},
        {"huge.flt", "8001\n0 0 0 0 0 -1\n", "frame count"},
        {"negative.flt", "-3\n0 0 0 0 0 -1\n", "frame count"},
        {"short.flt", "3\n0 0 0 0 0 -1\n1 2 3 4\n5 6 7 8\n", "sample 3 of 3"},
        {"words.flt", "1\n0 0 0 0 0 -1\nfast left high up\n", "sample 1 of 1"},
        {"header.flt", "1\n0 0 zero\n", "line 2"},
        {"empty.flt", "", "frame count"},
    };
    for (auto& c : cases) {
        std::string error;
        EXPECT_EQ(load(write_temp_file(c.name, c.text), &error), 0) << c.name;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(c.name), std::string::npos) << error;
    }
    std::string error;
    EXPECT_EQ(load(dir + "/missing.flt", &error), 0);
    EXPECT_NE(error.find("missing.flt"), std::string::npos);
    EXPECT_FLOAT_EQ(flythrough_speed[0], speed0);
    EXPECT_EQ(mode_record, 1);  // the recording goes on
    EXPECT_EQ(load(good), 4);
}

TEST_F(Flythrough, LoadingTheSameFileTwiceRestartsIt) {
    begin_recording();
    apply_special_key(UP, 0);
    for (int i = 0; i < 6; ++i) step_frame_camera();
    std::string path = save_to_temp("twice.flt");
    mode_record = 0;
    mode_normal = 1;
    begin_playback(load(path));
    for (int i = 0; i < 4; ++i) step_frame_camera();
    float midway = camera_eye_z;
    begin_playback(load(path));
    step_frame_camera();
    EXPECT_FLOAT_EQ(camera_eye_z, 0.0f);
    step_frame_camera();
    step_frame_camera();
    step_frame_camera();
    EXPECT_FLOAT_EQ(camera_eye_z, midway);
    EXPECT_EQ(flythrough_frame, 3);
}

TEST_F(Flythrough, UnwritablePathIsReported) {
    begin_recording();
    step_frame_camera();
    char error[FLYTHROUGH_ERROR_SIZE];
    EXPECT_FALSE(write_flythrough_file("/nonexistent/dir/x.flt", error, sizeof error));
    EXPECT_NE(std::string(error).find("Cannot create /nonexistent/dir/x.flt"), std::string::npos);
    EXPECT_EQ(flythrough_frame, 1);
}

TEST_F(Flythrough, ANameInUseIsReplacedAndTheMessageLineSaysSo) {
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    std::string world = make_temp_dir();
    ASSERT_EQ(chdir(world.c_str()), 0);
    mkdir("Flythrough", 0755);
    begin_recording();
    step_frame_camera();
    show_message("Recording...SPACE to stop");
    EXPECT_TRUE(save_flythrough("./Flythrough/walk.flt"));
    EXPECT_STREQ(message_text, "Recording...SPACE to stop");  // a new name says nothing more
    std::string first = read_file("Flythrough/walk.flt");

    step_frame_camera();
    EXPECT_TRUE(save_flythrough("./Flythrough/walk.flt"));
    EXPECT_EQ(message_visible, 1);
    EXPECT_STREQ(message_text, "Replaced Flythrough/walk.flt");
    std::string second = read_file("Flythrough/walk.flt");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_NE(second, first);  // the second recording took the name
    EXPECT_EQ(second.substr(0, 2), "2\n");
}

// Camera pose: arrow keys, movement, turning and the view.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"
#include "state/camera_state.h"
#include "state/overlay_state.h"
#include "tests/support/viewer_test.h"

namespace {
constexpr int LEFT = 100, UP = 101, RIGHT = 102, DOWN = 103;
constexpr int SHIFT = 1, CTRL = 2, ALT = 4;

using Camera = ViewerTest;  // move_speed 75, height_step 5
}  // namespace

TEST_F(Camera, FirstFrameLooksAlongMinusZFromTheOrigin) {
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_dir_z, -1.0f);
    EXPECT_NEAR(camera_dir_x, 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(camera_eye_z, 0.0f);
    double v[9];
    camera_look_at(v);
    EXPECT_DOUBLE_EQ(v[5], -1.0);
    EXPECT_DOUBLE_EQ(v[7], 1.0);
}

TEST_F(Camera, HoldingUpMovesAtMoveSpeedAndReleaseStops) {
    step_camera_pose();
    EXPECT_TRUE(apply_special_key(UP, 0));
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_eye_z, -7.5f);
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_eye_z, -15.0f);
    apply_special_key_up(UP);
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_eye_z, -15.0f);
}

TEST_F(Camera, SmallTerrainSpeedMovesTwoTenthsPerFrame) {
    move_speed = 2;
    step_camera_pose();
    apply_special_key(UP, 0);
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_eye_z, -0.2f);
}

TEST_F(Camera, ReleasingUpWhileDownIsHeldKeepsMovingBackwards) {
    step_camera_pose();
    apply_special_key(UP, 0);
    apply_special_key(DOWN, 0);
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_eye_z, 0.0f);
    apply_special_key_up(UP);
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_eye_z, 7.5f);
}

TEST_F(Camera, CtrlLeftDoesNotTurnButCtrlRightDoes) {
    EXPECT_FALSE(apply_special_key(LEFT, CTRL));
    EXPECT_FLOAT_EQ(camera_turn_left, 0.0f);
    apply_special_key(RIGHT, CTRL);
    EXPECT_FLOAT_EQ(camera_turn_right, 0.05f);
    apply_special_key(LEFT, SHIFT);
    EXPECT_FLOAT_EQ(camera_turn_left, 0.05f);
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_yaw, 0.0f);
}

TEST_F(Camera, CtrlUpRaisesAndCtrlShiftUpCountsAsPlain) {
    EXPECT_FALSE(apply_special_key(UP, CTRL));
    EXPECT_FLOAT_EQ(camera_height, 5.0f);
    EXPECT_FLOAT_EQ(camera_eye_y, 5.0f);
    apply_special_key(DOWN, CTRL);
    apply_special_key(DOWN, CTRL);
    EXPECT_FLOAT_EQ(camera_eye_y, -5.0f);  // nothing clamps the height
    EXPECT_TRUE(apply_special_key(UP, CTRL | SHIFT));
    EXPECT_FLOAT_EQ(camera_fwd_speed, 75.0f);
    EXPECT_FLOAT_EQ(camera_height, -5.0f);
}

TEST_F(Camera, AltUpTiltsWithoutLimit) {
    for (int i = 0; i < 40; ++i) apply_special_key(UP, ALT);
    EXPECT_FLOAT_EQ(camera_dir_y, 10.0f);
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_dir_y, 10.0f);  // the heading leaves the look-up alone
    apply_special_key(DOWN, ALT);
    EXPECT_FLOAT_EQ(camera_dir_y, 9.75f);
}

TEST_F(Camera, TurnsAndHeldDiskArrowsSteerTheMove) {
    for (int i = 0; i < 10; ++i) apply_special_key(RIGHT, 0);
    step_camera_pose();
    EXPECT_NEAR(camera_dir_x, std::sin(0.5), 1e-6);
    hold_look_left = 1;
    step_camera_pose();
    EXPECT_NEAR(camera_yaw, 0.45f, 1e-6);
    hold_look_left = 0;
    camera_fwd_speed = 0.9f;  // below one: no motion
    step_camera_pose();
    EXPECT_FLOAT_EQ(camera_eye_x, 0.0f);
}

TEST_F(Camera, SampleSpeedsBeyondIntMoveAsFarAsAnIntAllowsAndNanDoesNotMove) {
    turn_camera_dir(0.0f);
    play_camera_sample(NAN, 5.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(camera_eye_z, 0.0f);
    play_camera_sample(3e9f, 5.0f, 0.0f, 0.0f);  // truncation saturates at INT_MAX steps
    EXPECT_FLOAT_EQ(camera_eye_z, -2147483647.0f * ADVANCE_SCALE);
    play_camera_sample(-INFINITY, 5.0f, 0.0f, 0.0f);
    EXPECT_NEAR(camera_eye_z, 0.0f, 1e3f);
}

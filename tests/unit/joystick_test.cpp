// Joystick calibration and flight.
#include <gtest/gtest.h>

#include "input/joystick.h"
#include "state/camera_state.h"
#include "state/joystick_state.h"
#include "tests/support/viewer_test.h"

namespace {

class Joystick : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        // As start-up leaves it: the first sample is taken as the centre.
        joystick_calibrating = 1;
        joystick_first_sample = 1;
    }
    void calibrate_at(int x, int y) {
        testing::internal::CaptureStdout();
        on_joystick(0, x, y, 0);
        on_joystick(1, x, y, 0);
        std::string console = testing::internal::GetCapturedStdout();
        ASSERT_EQ(console, "Simple Callibration Complete...Select Viewing Window\n");
        ASSERT_EQ(joystick_calibrating, 0);
    }
};

}  // namespace

TEST_F(Joystick, CalibrationTakesTheCentreAtTheFirstButtonPress) {
    on_joystick(0, 30, 40, 0);
    EXPECT_EQ(joystick_centre_x, 30);
    EXPECT_EQ(joystick_awaiting_button, 1);
    on_joystick(4, 900, 900, 0);  // a third button does not count
    EXPECT_EQ(joystick_calibrating, 1);
    EXPECT_FLOAT_EQ(camera_back_speed, 0.0f);  // nothing moves while calibrating
    testing::internal::CaptureStdout();
    on_joystick(2, -20, 10, 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(joystick_calibrating, 0);
    EXPECT_EQ(joystick_centre_x, -20);
    EXPECT_EQ(joystick_centre_y, 10);
}

TEST_F(Joystick, AButtonHeldInTheFirstSampleCompletesAtOnce) {
    testing::internal::CaptureStdout();
    on_joystick(3, 5, 6, 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(joystick_calibrating, 0);
    EXPECT_EQ(joystick_centre_y, 6);
}

TEST_F(Joystick, DeadZoneIsInclusiveAndTheSpeedIsTheRawReading) {
    calibrate_at(0, 0);
    camera_fwd_speed = 9;
    on_joystick(0, 0, 150, 0);
    EXPECT_FLOAT_EQ(camera_fwd_speed, 0.0f);
    EXPECT_FLOAT_EQ(camera_back_speed, 0.0f);
    on_joystick(0, 0, 151, 0);
    EXPECT_FLOAT_EQ(camera_back_speed, 151.0f);
    on_joystick(0, 0, -400, 0);
    EXPECT_FLOAT_EQ(camera_fwd_speed, 400.0f);
    EXPECT_FLOAT_EQ(camera_back_speed, 0.0f);
}

TEST_F(Joystick, RawReadingAboveAnOffCentreRestMovesBackwards) {
    calibrate_at(0, -400);
    on_joystick(0, 0, -200, 0);
    EXPECT_FLOAT_EQ(camera_back_speed, -200.0f);
    EXPECT_FLOAT_EQ(camera_fwd_speed, 0.0f);
}

TEST_F(Joystick, ButtonsChangeHeightLookOrOnlyStop) {
    calibrate_at(0, 0);
    camera_fwd_speed = 7;
    on_joystick(1, 0, 500, 0);
    EXPECT_FLOAT_EQ(camera_height, 5.0f);
    EXPECT_FLOAT_EQ(camera_fwd_speed, 0.0f);
    on_joystick(1, 0, -500, 0);
    on_joystick(1, 0, -500, 0);
    EXPECT_FLOAT_EQ(camera_height, -5.0f);
    on_joystick(2, 0, 500, 0);
    EXPECT_FLOAT_EQ(camera_dir_y, 0.05f);
    on_joystick(2, 0, -500, 0);
    EXPECT_NEAR(camera_dir_y, 0.0f, 1e-7);
    camera_back_speed = 3;
    camera_dir_y = 0.1f;
    on_joystick(3, 0, 900, 0);
    EXPECT_FLOAT_EQ(camera_back_speed, 0.0f);
    EXPECT_FLOAT_EQ(camera_height, -5.0f);
    EXPECT_FLOAT_EQ(camera_dir_y, 0.1f);  // the third button neither tilts nor climbs
}

TEST_F(Joystick, TurnsBeyondFiftyWhateverTheButtons) {
    calibrate_at(100, 0);
    on_joystick(0, 150, 0, 0);
    EXPECT_FLOAT_EQ(camera_turn_right, 0.0f);
    on_joystick(1, 151, 0, 0);
    EXPECT_FLOAT_EQ(camera_turn_right, 0.05f);
    on_joystick(3, 49, 0, 0);
    EXPECT_FLOAT_EQ(camera_turn_left, 0.05f);
}

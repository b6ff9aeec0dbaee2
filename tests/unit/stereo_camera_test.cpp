// The stereo camera without a window: eyes, frusta, parallax, depth and layouts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "camera/stereo_camera.h"
#include "gl/eye_mix.h"

namespace {

constexpr double FOVY = 90.0, NEAR = 0.1, FAR = 50000.0;

// Where a world point lands across one eye's picture: -1 at its left edge, +1 at its right.
double project_x(const StereoEyeView& v, const double p[3]) {
    const double* e = v.look_at;
    double f[3] = {e[3] - e[0], e[4] - e[1], e[5] - e[2]};
    double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double& c : f) c /= fl;
    const double* up = e + 6;
    double s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    double d[3] = {p[0] - e[0], p[1] - e[1], p[2] - e[2]};
    double x = (d[0] * s[0] + d[1] * s[1] + d[2] * s[2]) / sl;
    double z = d[0] * f[0] + d[1] * f[1] + d[2] * f[2];
    double near_x = x * v.frustum[4] / z;
    return (2.0 * near_x - (v.frustum[1] + v.frustum[0])) / (v.frustum[1] - v.frustum[0]);
}

// Parallax as a share of the picture's width, right eye's place minus the left's.
double measured_share(const double camera[9], double baseline, double convergence, double aspect, const double p[3]) {
    StereoEyeView left, right;
    make_stereo_eye_view(camera, 0, baseline, convergence, FOVY, aspect, NEAR, FAR, &left);
    make_stereo_eye_view(camera, 1, baseline, convergence, FOVY, aspect, NEAR, FAR, &right);
    return (project_x(right, p) - project_x(left, p)) / 2.0;
}

}  // namespace

TEST(StereoEyes, EyesStandAlongTheCamerasOwnRightVectorWhereverItLooks) {
    // Far from the world's origin, looking along +x: right is +z, whatever the origin.
    const double camera[9] = {5000, 40, -3000, 5001, 40, -3000, 0, 1, 0};
    StereoEyeView left, right;
    make_stereo_eye_view(camera, 0, 2.0, 100.0, FOVY, 1.5, NEAR, FAR, &left);
    make_stereo_eye_view(camera, 1, 2.0, 100.0, FOVY, 1.5, NEAR, FAR, &right);
    EXPECT_DOUBLE_EQ(left.look_at[0], 5000);
    EXPECT_DOUBLE_EQ(left.look_at[2], -3001);
    EXPECT_DOUBLE_EQ(right.look_at[2], -2999);
    EXPECT_DOUBLE_EQ(right.look_at[1], 40);
    EXPECT_DOUBLE_EQ(left.offset, -1.0);
    EXPECT_DOUBLE_EQ(right.offset, 1.0);
    // Parallel views: each eye looks along the camera's direction.
    EXPECT_DOUBLE_EQ(left.look_at[3] - left.look_at[0], 1.0);
    EXPECT_DOUBLE_EQ(left.look_at[5] - left.look_at[2], 0.0);
    // Off-axis frusta, mirrored: the left eye's shifted towards the right.
    EXPECT_GT(left.frustum[0] + left.frustum[1], 0.0);
    EXPECT_DOUBLE_EQ(left.frustum[0] + left.frustum[1], -(right.frustum[0] + right.frustum[1]));
    EXPECT_DOUBLE_EQ(left.frustum[3], NEAR);  // 90 degrees up and down
}

TEST(StereoEyes, ConvergenceHasNoParallaxFartherGoesBehindNearerComesOut) {
    const double camera[9] = {-700, 120, 900, -700.6, 119.8, 899.2, 0, 1, 0};
    double dir[3] = {-0.6, -0.2, -0.8};
    double length = std::sqrt(0.36 + 0.04 + 0.64);
    auto ahead = [&](double distance, double* p) {
        for (int k = 0; k < 3; ++k) p[k] = camera[k] + dir[k] / length * distance;
    };
    double p[3];
    ahead(250.0, p);
    EXPECT_NEAR(measured_share(camera, 3.0, 250.0, 16.0 / 9.0, p), 0.0, 1e-9);
    for (double distance : {60.0, 1000.0, 40000.0}) {
        ahead(distance, p);
        double expected = stereo_parallax_share(3.0, 250.0, distance, FOVY, 16.0 / 9.0);
        EXPECT_NEAR(measured_share(camera, 3.0, 250.0, 16.0 / 9.0, p), expected, 1e-9) << distance;
        EXPECT_EQ(expected > 0.0, distance > 250.0) << distance;
    }
    EXPECT_GT(stereo_parallax_share(3.0, 250.0, INFINITY, FOVY, 1.0), stereo_parallax_share(3.0, 250.0, 1e4, FOVY, 1.0));
}

TEST(StereoEyes, ACameraWithoutARightVectorOrBaselineDrawsMono) {
    const double no_direction[9] = {1, 2, 3, 1, 2, 3, 0, 1, 0};
    const double straight_down[9] = {1, 2, 3, 1, 1, 3, 0, 1, 0};
    const double fine[9] = {1, 2, 3, 1, 2, 2, 0, 1, 0};
    struct Case {
        const double* camera;
        double baseline, convergence;
    } cases[] = {{no_direction, 1, 10}, {straight_down, 1, 10}, {fine, 0, 10}, {fine, 1, 0}, {fine, NAN, 10}};
    for (const Case& c : cases) {
        StereoEyeView v;
        make_stereo_eye_view(c.camera, 0, c.baseline, c.convergence, FOVY, 1.0, NEAR, FAR, &v);
        for (int k = 0; k < 9; ++k) EXPECT_EQ(v.look_at[k], c.camera[k]);
        EXPECT_EQ(v.offset, 0.0);
        EXPECT_DOUBLE_EQ(v.frustum[0], -v.frustum[1]);
    }
}

TEST(StereoDepth, BudgetsHoldForEveryViewAndOneOfThemIsSpent) {
    struct Case {
        double centre, nearest, aspect;
    } cases[] = {{300, 200, 16.0 / 9.0}, {5000, 150, 16.0 / 9.0}, {120, 120, 1.0}, {0, 80, 4.0 / 3.0},
                 {40, 90, 1.0},  // the centre probe nearer than the nearest: taken as the nearest
                 {1e7, 0.5, 2.0}};
    for (const Case& c : cases) {
        double b = 0, conv = 0;
        ASSERT_TRUE(choose_stereo_depth(c.centre, c.nearest, FOVY, c.aspect, 1.0, &b, &conv));
        double sky = stereo_parallax_share(b, conv, INFINITY, FOVY, c.aspect);
        double near = stereo_parallax_share(b, conv, c.nearest, FOVY, c.aspect);
        EXPECT_LE(sky, STEREO_BEHIND_BUDGET + 1e-12) << c.centre << " " << c.nearest;
        EXPECT_GE(near, -STEREO_FRONT_BUDGET - 1e-12) << c.centre << " " << c.nearest;
        EXPECT_TRUE(std::fabs(sky - STEREO_BEHIND_BUDGET) < 1e-9 || std::fabs(near + STEREO_FRONT_BUDGET) < 1e-9);
        if (c.centre >= c.nearest) {
            EXPECT_LE(conv, c.centre + 1e-9);  // the screen never behind what is looked at
        }
        EXPECT_GE(conv, c.nearest);
    }
}

TEST(StereoDepth, FactorScalesTheBaselineAndNoGroundKeepsTheLastDepth) {
    double b1, c1, b2, c2, b0, c0;
    ASSERT_TRUE(choose_stereo_depth(400, 100, FOVY, 1.5, 1.0, &b1, &c1));
    ASSERT_TRUE(choose_stereo_depth(400, 100, FOVY, 1.5, 1.25, &b2, &c2));
    ASSERT_TRUE(choose_stereo_depth(400, 100, FOVY, 1.5, 0.0, &b0, &c0));
    EXPECT_DOUBLE_EQ(b2, 1.25 * b1);
    EXPECT_DOUBLE_EQ(c2, c1);
    EXPECT_EQ(b0, 0.0);
    double b = 7, c = 9;
    EXPECT_FALSE(choose_stereo_depth(400, 0, FOVY, 1.5, 1.0, &b, &c));
    EXPECT_FALSE(choose_stereo_depth(400, INFINITY, FOVY, 1.5, 1.0, &b, &c));
    EXPECT_FALSE(choose_stereo_depth(400, NAN, FOVY, 1.5, 1.0, &b, &c));
    EXPECT_EQ(b, 7);
    EXPECT_EQ(c, 9);
}

TEST(StereoDepth, EasingNeverJumpsYetArrivesAndShrinksFasterThanItGrows) {
    double b = 1.0, c = 100.0;
    ease_stereo_depth(5.0, 10000.0, false, &b, &c);
    EXPECT_EQ(b, 5.0);  // not settled: at once
    EXPECT_EQ(c, 10000.0);
    b = 1.0, c = 100.0;
    double last_b = b, last_c = c;
    for (int frame = 0; frame < 120; ++frame) {
        ease_stereo_depth(5.0, 10000.0, true, &b, &c);
        EXPECT_LE(b - last_b, 0.5);
        EXPECT_LE(c / last_c, 2.0);
        last_b = b, last_c = c;
    }
    EXPECT_NEAR(b, 5.0, 0.01);
    EXPECT_NEAR(c, 10000.0, 10.0);
    double grow = 1.0, shrink = 5.0, cc = 100.0, cs = 100.0;
    ease_stereo_depth(5.0, 100.0, true, &grow, &cc);
    ease_stereo_depth(1.0, 100.0, true, &shrink, &cs);
    EXPECT_GT(5.0 - shrink, grow - 1.0);
}

TEST(StereoModes, NamesRoundTripAndUnknownNamesAreRefused) {
    for (int m = 0; m < STEREO_MODE_COUNT; ++m) EXPECT_EQ(find_stereo_mode(stereo_mode_name(m)), m);
    EXPECT_STREQ(stereo_mode_name(STEREO_SIDE_BY_SIDE_HALF), "side-by-side-half");
    EXPECT_EQ(find_stereo_mode("Side-by-side"), -1);
    EXPECT_EQ(find_stereo_mode(""), -1);
    EXPECT_EQ(find_stereo_mode("rows "), -1);
    EXPECT_STREQ(stereo_mode_name(STEREO_MODE_COUNT), "");
}

TEST(StereoLayouts, FullFormatsDoubleTheDrawableHalfFormatsSqueezeIntoIt) {
    int w, h;
    stereo_output_size(STEREO_SIDE_BY_SIDE, 640, 360, &w, &h);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 360);
    stereo_output_size(STEREO_TOP_BOTTOM, 640, 360, &w, &h);
    EXPECT_EQ(h, 720);
    for (int m : {STEREO_RED_BLUE, STEREO_RED_CYAN, STEREO_SIDE_BY_SIDE_HALF, STEREO_TOP_BOTTOM_HALF, STEREO_ROWS}) {
        stereo_output_size(m, 640, 360, &w, &h);
        EXPECT_EQ(w, 640);
        EXPECT_EQ(h, 360);
    }

    StereoLayout l;
    layout_stereo_frame(STEREO_SIDE_BY_SIDE, true, 1280, 360, &l);
    EXPECT_TRUE(l.split);
    EXPECT_EQ(l.picture_width, 640);
    EXPECT_EQ(l.picture_height, 360);
    EXPECT_EQ(l.eye_viewport[0][0], 0);  // left eye on the left
    EXPECT_EQ(l.eye_viewport[1][0], 640);

    layout_stereo_frame(STEREO_TOP_BOTTOM, true, 640, 720, &l);
    EXPECT_EQ(l.picture_height, 360);
    EXPECT_EQ(l.eye_viewport[0][1], 360);  // left eye on top (GL counts up)
    EXPECT_EQ(l.eye_viewport[1][1], 0);

    layout_stereo_frame(STEREO_TOP_BOTTOM_HALF, true, 640, 360, &l);
    EXPECT_EQ(l.picture_width, 640);
    EXPECT_EQ(l.picture_height, 360);
    EXPECT_EQ(l.eye_viewport[0][3], 180);

    for (bool on : {true, false}) {  // anaglyphs, rows and mono: the drawable is the picture
        layout_stereo_frame(on ? STEREO_ROWS : STEREO_SIDE_BY_SIDE, on, 801, 601, &l);
        EXPECT_FALSE(l.split);
        EXPECT_EQ(l.picture_width, 801);
        EXPECT_EQ(l.eye_viewport[1][2], 801);
    }
}

TEST(StereoLayouts, AClickInEitherHalfLandsOnTheSamePictureFeature) {
    struct Case {
        int mode, w, h;
        int left_x, left_y, right_x, right_y;  // one feature as each eye's half shows it
        int picture_x, picture_y;
    } cases[] = {
        {STEREO_SIDE_BY_SIDE, 1280, 360, 100, 50, 740, 50, 100, 50},
        {STEREO_SIDE_BY_SIDE_HALF, 1280, 720, 100, 50, 740, 50, 200, 50},
        {STEREO_TOP_BOTTOM, 640, 720, 30, 20, 30, 380, 30, 20},
        {STEREO_TOP_BOTTOM_HALF, 640, 720, 30, 20, 30, 380, 30, 40},
        {STEREO_ROWS, 640, 480, 30, 20, 30, 20, 30, 20},
    };
    for (const Case& c : cases) {
        StereoLayout l;
        layout_stereo_frame(c.mode, true, c.w, c.h, &l);
        int x, y;
        stereo_picture_point(l, c.left_x, c.left_y, &x, &y);
        EXPECT_EQ(x, c.picture_x) << c.mode;
        EXPECT_EQ(y, c.picture_y) << c.mode;
        stereo_picture_point(l, c.right_x, c.right_y, &x, &y);
        EXPECT_EQ(x, c.picture_x) << c.mode;
        EXPECT_EQ(y, c.picture_y) << c.mode;
    }
    // Corners stay inside the picture, also for odd sizes.
    StereoLayout l;
    layout_stereo_frame(STEREO_SIDE_BY_SIDE, true, 1281, 361, &l);
    int x, y;
    stereo_picture_point(l, 1280, 360, &x, &y);
    EXPECT_EQ(x, l.picture_width - 1);
    EXPECT_EQ(y, l.picture_height - 1);
    stereo_picture_point(l, 0, 0, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(RedCyanMix, RedComesFromTheLeftEyeCyanFromTheRightAndSumsAreClamped) {
    struct Case {
        unsigned char left[4], right[4];
        int out[3];
    } cases[] = {
        {{255, 255, 255, 0}, {0, 0, 0, 0}, {255, 0, 0}},        // 1.05 of white clamps; negatives clamp to 0
        {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 255, 255}},      // the right eye alone shows in cyan
        {{255, 0, 0, 0}, {0, 0, 0, 0}, {111, 0, 0}},            // 0.437 of red
        {{0, 0, 0, 0}, {0, 200, 0, 0}, {0, 152, 0}},            // 0.761 of green; its -0.032 of red clamps
        {{0, 0, 100, 0}, {0, 0, 100, 0}, {16, 0, 122}},          // 0.164 in red; 1.234 - 0.017 in blue
        {{128, 128, 128, 0}, {128, 128, 128, 0}, {128, 128, 128}},  // grey stays grey: each row sums to 1
    };
    for (const Case& c : cases) {
        unsigned char out[4] = {1, 2, 3, 4};
        mix_red_cyan(c.left, c.right, out, 1);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], c.out[k], 1) << k;
        EXPECT_EQ(out[3], 255);
    }
    // A whole picture, cut into parts for every core and done several pixels
    // at a time, gives the same pixels as one at a time.
    const size_t n = 100003;
    std::vector<unsigned char> left(4 * n), right(4 * n), whole(4 * n), one(4);
    for (size_t i = 0; i < left.size(); ++i) left[i] = (unsigned char)(i * 7), right[i] = (unsigned char)(i * 13 + 5);
    mix_red_cyan(left.data(), right.data(), whole.data(), n);
    size_t differ = 0;
    for (size_t p = 0; p < n; ++p) {
        mix_red_cyan(&left[4 * p], &right[4 * p], one.data(), 1);
        differ += memcmp(&whole[4 * p], one.data(), 4) != 0;
    }
    EXPECT_EQ(differ, 0u);
}

TEST(EyeRows, TheLeftEyeHoldsTheEvenRowsCountedFromTheTop) {
    for (int height : {5, 4}) {
        const int width = 3;
        std::vector<unsigned char> left(4 * width * height, 'L'), right(4 * width * height, 'R');
        std::vector<unsigned char> out(4 * width * height, 0);
        interlace_eye_rows(left.data(), right.data(), out.data(), width, height);
        for (int top = 0; top < height; ++top) {  // pictures are stored bottom row first
            const unsigned char* row = &out[4 * width * (height - 1 - top)];
            EXPECT_EQ(std::string(row, row + 4 * width), std::string(4 * width, top % 2 ? 'R' : 'L'))
                << height << " rows, row " << top;
        }
    }
}

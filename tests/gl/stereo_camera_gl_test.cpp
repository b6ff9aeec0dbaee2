// The true stereo camera on real Mesa: a near ridge, far ground and the sky
// drawn side by side, and the offsets of the same features between the
// halves measured by block matching.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "camera/stereo_camera.h"
#include "gl/eye_mix.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "scene/sky.h"
#include "state/app_state.h"
#include "input/mouse.h"
#include "state/camera_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/stereo_state.h"
#include "terrain/terrain_loader.h"
#include "tests/gl/gl_support.h"
#include "tests/support/temp_files.h"

namespace {

constexpr int WIDTH = 1024, HEIGHT = 768;  // the test window: two eyes of 512 x 768
constexpr int EYE = WIDTH / 2;
constexpr int COLS = 201, ROWS = 301;      // the ground: x 0..200, z 0..300, one unit a cell
constexpr float EYE_X = 100.0f, EYE_Z = 300.0f, EYE_HEIGHT = 12.0f;
constexpr float RIDGE_DISTANCE = 16.0f, RIDGE_HEIGHT = 8.0f;  // across the view, ahead of the eye
constexpr int BLOCK_W = 24, BLOCK_H = 12, SEARCH = 30;        // pixels

// A ridge across the view 16 units ahead, flat ground beyond it.
float ridge_height(int, int row) {
    float d = EYE_Z - (float)row - RIDGE_DISTANCE;
    return RIDGE_HEIGHT * std::exp(-d * d / 9.0f);
}

// Smooth random blobs, `side` x `side` RGB, from a coarse grid of values: features
// that stay the same features when drawn a few pixels smaller or larger.
std::string blobs(int side, int cells, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<float> coarse((cells + 1) * (cells + 1));
    for (float& v : coarse) v = (float)(random() % 200) + 30.0f;
    std::string rgb;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            float fx = (float)x * cells / side, fy = (float)y * cells / side;
            int ix = (int)fx, iy = (int)fy;
            float ax = fx - ix, ay = fy - iy;
            auto at = [&](int i, int j) { return coarse[j * (cells + 1) + i]; };
            float v = (at(ix, iy) * (1 - ax) + at(ix + 1, iy) * ax) * (1 - ay) +
                      (at(ix, iy + 1) * (1 - ax) + at(ix + 1, iy + 1) * ax) * ay;
            unsigned char c = (unsigned char)v;
            rgb += (char)c;
            rgb += (char)(255 - c);
            rgb += (char)(c / 2);
        }
    return rgb;
}

void load_ridge_world() {
    std::string texture = write_temp_file("blobs.raw", blobs(256, 64, 7));
    std::string terrain = write_temp_file("ridge.obj", grid_terrain_text(COLS, ROWS, ridge_height));
    testing::internal::CaptureStdout();
    load_terrain(terrain.c_str(), texture.c_str(), 3, 256, 256, 0);
    // The sky box from blob pictures, built where they lie.
    std::string dir = make_temp_dir();
    for (int i = 0; i < SKY_FACES; ++i) put_file(dir + "/sky_" + std::to_string(i) + ".raw", blobs(SKY_SIDE, 32, 20 + i));
    char previous[1024];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    build_sky_box();
    ASSERT_EQ(chdir(previous), 0);
    testing::internal::GetCapturedStdout();
    panoramic_sky_on = 1;
}

// A frame of `mode` on a drawable `width` wide, read back as RGBA, bottom row first.
std::vector<unsigned char> draw_stereo_frame(int mode, int width) {
    stereo_on = 1;
    stereo_mode = mode;
    stereo_depth_settled = false;
    look({"ridge", EYE_X, EYE_HEIGHT, EYE_Z, 0.0f, 0.0f, 1});
    stereo_mode = mode;
    on_reshape(width, HEIGHT);
    draw_frame_unswapped(false);
    glFinish();
    std::vector<unsigned char> rgba(width * HEIGHT * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

// The frame drawn side by side, as grey levels, top row first.
std::vector<int> draw_side_by_side() {
    std::vector<unsigned char> rgba = draw_stereo_frame(STEREO_SIDE_BY_SIDE, WIDTH);
    std::vector<int> grey(WIDTH * HEIGHT);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            const unsigned char* p = &rgba[((HEIGHT - 1 - y) * WIDTH + x) * 4];
            grey[y * WIDTH + x] = p[0] + p[1] + p[2];
        }
    return grey;
}

// The offset, in pixels, from where a block of the left half lies to where
// the right half shows it best (positive: further right, behind the screen).
// The median over blocks across the band of rows from `top`.
double band_offset(const std::vector<int>& grey, int top) {
    std::vector<int> offsets;
    for (int x = 120; x + BLOCK_W < EYE - 120; x += BLOCK_W) {
        long best = -1;
        int best_d = 0;
        for (int d = -SEARCH; d <= SEARCH; ++d) {
            long sad = 0;
            for (int y = top; y < top + BLOCK_H; ++y)
                for (int i = 0; i < BLOCK_W; ++i)
                    sad += std::abs(grey[y * WIDTH + x + i] - grey[y * WIDTH + EYE + x + d + i]);
            if (best < 0 || sad < best) best = sad, best_d = d;
        }
        offsets.push_back(best_d);
    }
    std::sort(offsets.begin(), offsets.end());
    return offsets[offsets.size() / 2];
}

// The picture row, counted from the top, where the view meets a point `down`
// below the eye and `ahead` along the level view.
int row_of(double down, double ahead) { return (int)(HEIGHT / 2 + HEIGHT / 2 * down / ahead); }

// The face a click at window point (x, y) picks after one frame of `mode`
// (-1: mono) on a drawable of width x height.
int pick_after_frame(int mode, int width, int height, int x, int y) {
    look({"ridge", EYE_X, EYE_HEIGHT, EYE_Z, 0.0f, -0.3f, 0});
    stereo_on = mode >= 0;
    stereo_mode = mode >= 0 ? mode : STEREO_RED_BLUE;
    on_reshape(width, height);
    draw_frame_unswapped(false);
    picked_face = -1;
    on_mouse(MOUSE_LEFT_BUTTON, MOUSE_BUTTON_DOWN, x, y);
    on_mouse(MOUSE_LEFT_BUTTON, !MOUSE_BUTTON_DOWN, x, y);
    return picked_face;
}

using StereoCameraGl = GlTest;

}  // namespace

TEST_F(StereoCameraGl, FarGroundLiesBehindTheNearRidgeAndTheSkyWithinItsBudget) {
    load_ridge_world();
    on_reshape(WIDTH, HEIGHT);
    std::vector<int> grey = draw_side_by_side();
    EXPECT_EQ(window_width, EYE);  // the overlay and picking see one eye's picture
    EXPECT_EQ(window_height, HEIGHT);

    double budget = STEREO_BEHIND_BUDGET * EYE;
    double ridge_top = row_of(EYE_HEIGHT - RIDGE_HEIGHT, RIDGE_DISTANCE);
    double sky = band_offset(grey, HEIGHT / 4);
    double far = band_offset(grey, (int)(HEIGHT / 2 + ridge_top) / 2 - BLOCK_H / 2);
    double ridge = band_offset(grey, (int)ridge_top + 2 * BLOCK_H);
    // Far ground and the sky go into the screen, the ridge sits near it;
    // with the halves exchanged every sign would turn.
    EXPECT_GT(far, ridge + 3.0) << "far " << far << ", ridge " << ridge;
    EXPECT_GT(far, 2.0);
    EXPECT_LE(std::fabs(ridge), STEREO_FRONT_BUDGET * EYE + 1.0);
    EXPECT_GE(sky, far - 1.0) << "sky " << sky;
    EXPECT_LE(sky, budget + 1.0) << "sky " << sky;
    // The sky's offset is the one the camera meant to give infinity.
    double meant = stereo_parallax_share(stereo_baseline, stereo_convergence, INFINITY, VIEW_FIELD_OF_VIEW,
                                         (double)EYE / HEIGHT) * EYE;
    EXPECT_NEAR(sky, meant, 1.0);
    EXPECT_GT(meant, 0.5 * budget);  // the depth budget is used, not wasted
}

TEST_F(StereoCameraGl, RedCyanAndRowsInTheWindowMixTheEyesTheSideBySideFrameShows) {
    load_ridge_world();
    std::vector<unsigned char> pair = draw_stereo_frame(STEREO_SIDE_BY_SIDE, WIDTH);
    std::vector<unsigned char> eyes[2], expected(EYE * HEIGHT * 4);
    for (int eye = 0; eye < 2; ++eye)
        for (int y = 0; y < HEIGHT; ++y)
            eyes[eye].insert(eyes[eye].end(), pair.begin() + (y * WIDTH + eye * EYE) * 4,
                             pair.begin() + (y * WIDTH + eye * EYE + EYE) * 4);
    for (int mode : {STEREO_RED_CYAN, STEREO_ROWS}) {
        if (mode == STEREO_ROWS) interlace_eye_rows(eyes[0].data(), eyes[1].data(), expected.data(), EYE, HEIGHT);
        else mix_red_cyan(eyes[0].data(), eyes[1].data(), expected.data(), (size_t)EYE * HEIGHT);
        std::vector<unsigned char> frame = draw_stereo_frame(mode, EYE);
        long off = 0;
        for (size_t i = 0; i < frame.size(); ++i) off += i % 4 != 3 && std::abs(frame[i] - expected[i]) > 8;
        EXPECT_LT(off, EYE * HEIGHT * 3 / 200) << stereo_mode_name(mode);  // a few values rasterised apart
    }
}

TEST_F(StereoCameraGl, AClickInEitherEyesPartPicksWhatMonoPicksThere) {
    load_ridge_world();
    overlay_visible = 0;
    struct Case {
        int mode, width, height;
        int left_x, left_y, right_x, right_y;  // one picture point in each eye's part
        int mono_width, mono_height, mono_x, mono_y;
    } cases[] = {
        {STEREO_SIDE_BY_SIDE, 1024, 768, 200, 600, 712, 600, 512, 768, 200, 600},
        {STEREO_SIDE_BY_SIDE_HALF, 1024, 768, 100, 600, 612, 600, 1024, 768, 200, 600},
        {STEREO_TOP_BOTTOM, 1024, 768, 300, 300, 300, 684, 1024, 384, 300, 300},
        {STEREO_TOP_BOTTOM_HALF, 1024, 768, 300, 300, 300, 684, 1024, 768, 300, 600},
        {STEREO_ROWS, 1024, 768, 300, 600, 300, 600, 1024, 768, 300, 600},
        {STEREO_RED_CYAN, 1024, 768, 300, 600, 300, 600, 1024, 768, 300, 600},
    };
    testing::internal::CaptureStdout();
    for (const Case& c : cases) {
        int mono = pick_after_frame(-1, c.mono_width, c.mono_height, c.mono_x, c.mono_y);
        ASSERT_GE(mono, 0) << c.mode;
        EXPECT_EQ(pick_after_frame(c.mode, c.width, c.height, c.left_x, c.left_y), mono) << stereo_mode_name(c.mode);
        EXPECT_EQ(pick_after_frame(c.mode, c.width, c.height, c.right_x, c.right_y), mono) << stereo_mode_name(c.mode);
    }
    testing::internal::GetCapturedStdout();

    // The overlay is in both halves: its view tray handle opens from the right one.
    overlay_visible = 1;
    stereo_on = 1;
    stereo_mode = STEREO_SIDE_BY_SIDE;
    on_reshape(WIDTH, HEIGHT);
    draw_frame_unswapped(true);
    const int x = EYE + (int)hot_spots[7].cx, y = HEIGHT - 1 - (int)hot_spots[7].cy;
    on_mouse(MOUSE_LEFT_BUTTON, MOUSE_BUTTON_DOWN, x, y);
    on_mouse(MOUSE_LEFT_BUTTON, !MOUSE_BUTTON_DOWN, x, y);
    EXPECT_EQ(view_tray_open, 1);
}

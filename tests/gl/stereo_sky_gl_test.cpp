// The anaglyph pair, the sky box and fog on real Mesa, read back as pixels.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "camera/camera.h"
#include "frame/frame.h"
#include "scene/sky.h"
#include "scene/stereo.h"
#include "state/camera_state.h"
#include "state/frame_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"
#include "tests/gl/gl_support.h"
#include "tests/support/temp_files.h"

namespace {

constexpr int SIZE = 256;

struct Pixels {
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const { return &rgb[(y * SIZE + x) * 3]; }
};

Pixels read_back() {
    glFinish();
    Pixels p;
    p.rgb.resize(SIZE * SIZE * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, SIZE, SIZE, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
    return p;
}

// Top view of x -10..10, z -10..10; screen x is world x, screen up is world -z.
void look_down() {
    glViewport(0, 0, SIZE, SIZE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glColor3f(1, 1, 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int pixel_x(float x) { return (int)((x + 10) / 20 * SIZE); }
int pixel_y(float z) { return (int)((-z + 10) / 20 * SIZE); }

// One 1 x 1 square centred on (cx, cz), as two counter-clockwise faces.
std::string square_at(float cx, float cz) {
    char text[512];
    snprintf(text, sizeof text,
             "v %f 0 %f\nv %f 0 %f\nv %f 0 %f\nv %f 0 %f\nf 1/1/1 2/2/2 3/3/3\nf 3/3/3 2/2/2 4/4/4\n", cx - 0.5f,
             cz - 0.5f, cx - 0.5f, cz + 0.5f, cx + 0.5f, cz - 0.5f, cx + 0.5f, cz + 0.5f);
    return text;
}

using StereoGl = GlTest;

}  // namespace

TEST_F(StereoGl, TerrainPixelsHoldRedAndBlueButNoGreen) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    look_down();
    draw_terrain_stereo();
    Pixels p = read_back();
    long lit = 0, both = 0, green = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        if (p.rgb[i] || p.rgb[i + 2]) ++lit;
        if (p.rgb[i] && p.rgb[i + 2]) ++both;
        if (p.rgb[i + 1]) ++green;
    }
    EXPECT_GT(lit, 1000);
    EXPECT_GT(both, lit / 2);
    EXPECT_EQ(green, 0);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
}

TEST_F(StereoGl, SeparationShiftsBlueTowardsPlusXAndNegativeExchanges) {
    load_startup_terrain(square_at(0, 0));
    stereo_angle = 0.0f;
    stereo_separation = 4.0f;
    look_down();
    draw_terrain_stereo();
    Pixels p = read_back();
    const unsigned char* right = p.at(pixel_x(2), pixel_y(0));
    const unsigned char* left = p.at(pixel_x(-2), pixel_y(0));
    EXPECT_GT(right[2], 0);
    EXPECT_EQ(right[0], 0);
    EXPECT_GT(left[0], 0);
    EXPECT_EQ(left[2], 0);
    EXPECT_EQ(p.at(pixel_x(0), pixel_y(0))[0], 0);  // nothing left in the middle

    stereo_separation = -4.0f;
    look_down();
    draw_terrain_stereo();
    Pixels q = read_back();
    EXPECT_GT(q.at(pixel_x(2), pixel_y(0))[0], 0);
    EXPECT_GT(q.at(pixel_x(-2), pixel_y(0))[2], 0);
}

TEST_F(StereoGl, AngleTurnsTheCopiesOppositeWaysAboutTheOrigin) {
    load_startup_terrain(square_at(8, 0));
    stereo_angle = 15.0f;
    look_down();
    draw_terrain_stereo();
    Pixels p = read_back();
    // A turn of +15 degrees about y carries (8, 0, 0) to z = -8 sin 15 (screen up).
    float dz = 8.0f * std::sin(15.0f * (float)M_PI / 180.0f);
    float dx = 8.0f * std::cos(15.0f * (float)M_PI / 180.0f);
    EXPECT_GT(p.at(pixel_x(dx), pixel_y(-dz))[2], 0);
    EXPECT_EQ(p.at(pixel_x(dx), pixel_y(-dz))[0], 0);
    EXPECT_GT(p.at(pixel_x(dx), pixel_y(dz))[0], 0);
    EXPECT_EQ(p.at(pixel_x(dx), pixel_y(dz))[2], 0);
}

TEST_F(StereoGl, MarkersAreDrawnOnceInFullColour) {
    load_startup_terrain(square_at(0, 0));
    look_down();
    glEnable(GL_LIGHTING);
    draw_terrain_stereo();
    for (auto& m : pick_marker) m[0] = 6, m[1] = 1, m[2] = 6;
    marker_radius = 1.0f;
    draw_pick_markers();
    Pixels p = read_back();
    const unsigned char* marker = p.at(pixel_x(6), pixel_y(6));
    EXPECT_GT(marker[1], 0);  // green: not filtered into the anaglyph
    EXPECT_EQ(p.at(pixel_x(0), pixel_y(0))[1], 0);
}

TEST_F(StereoGl, StereoMenuAdjustsResetsAndBringsBack) {
    on_stereo_menu(0);
    EXPECT_EQ(stereo_on, 1);
    on_stereo_menu(7);  // position back to its saved 0
    EXPECT_FLOAT_EQ(stereo_angle, 0.5f);
    on_stereo_menu(6);  // the angle back to its initial saved value 0
    EXPECT_FLOAT_EQ(stereo_angle, 0.0f);
    on_stereo_menu(1);
    on_stereo_menu(1);
    on_stereo_menu(3);
    on_stereo_menu(4);
    on_stereo_menu(4);
    EXPECT_FLOAT_EQ(stereo_angle, 0.2f);
    EXPECT_NEAR(stereo_separation, -0.1f, 1e-6);
    on_stereo_menu(5);
    EXPECT_FLOAT_EQ(stereo_angle, 0.0f);
    EXPECT_FLOAT_EQ(stereo_separation, 0.0f);
    on_stereo_menu(7);
    EXPECT_NEAR(stereo_separation, -0.1f, 1e-6);
    EXPECT_FLOAT_EQ(stereo_angle, 0.0f);
    on_stereo_menu(6);
    EXPECT_FLOAT_EQ(stereo_angle, 0.2f);
    on_stereo_menu(2);
    EXPECT_FLOAT_EQ(stereo_saved_angle, 0.1f);
    on_stereo_menu(9);
    on_stereo_menu(0);
    EXPECT_EQ(stereo_on, 0);
}

namespace {

const unsigned char SKY_COLOURS[6][3] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200},
                                         {200, 200, 30}, {30, 200, 200}, {200, 30, 200}};

// Builds the sky box from six solid-coloured pictures in a scratch directory.
void build_coloured_sky() {
    std::string dir = make_temp_dir();
    for (int i = 0; i < 6; ++i) {
        std::string bytes;
        for (int k = 0; k < SKY_SIDE * SKY_SIDE; ++k) bytes.append((const char*)SKY_COLOURS[i], 3);
        FILE* f = fopen((dir + "/sky_" + std::to_string(i) + ".raw").c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    char previous[1024];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    testing::internal::CaptureStdout();
    build_sky_box();
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "Generating Skybox...done!");
    ASSERT_EQ(chdir(previous), 0);
}

// The camera at `eye` with heading `yaw` and look-up `up`, seeing only the sky box.
Pixels view_sky(float eye_z, float yaw, float up) {
    glViewport(0, 0, SIZE, SIZE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 0.1, 50000.0);
    glMatrixMode(GL_MODELVIEW);
    camera_eye_x = camera_eye_y = camera_height = 0;
    camera_eye_z = eye_z;
    camera_dir_y = up;
    turn_camera_dir(yaw);
    apply_view();
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glColor3f(1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glCallList(skybox_list);
    return read_back();
}

bool centre_is(const Pixels& p, int face) {
    const unsigned char* c = p.at(SIZE / 2, SIZE / 2);
    return std::abs(c[0] - SKY_COLOURS[face][0]) < 3 && std::abs(c[1] - SKY_COLOURS[face][1]) < 3 &&
           std::abs(c[2] - SKY_COLOURS[face][2]) < 3;
}

}  // namespace

using SkyBox = GlTest;

TEST_F(SkyBox, EachDirectionShowsItsFace) {
    build_coloured_sky();
    EXPECT_TRUE(centre_is(view_sky(0, 0, 0), 0));                       // ahead, -z
    EXPECT_TRUE(centre_is(view_sky(0, (float)M_PI, 0), 1));             // behind
    EXPECT_TRUE(centre_is(view_sky(0, -(float)M_PI / 2, 0), 3));        // left, -x
    EXPECT_TRUE(centre_is(view_sky(0, (float)M_PI / 2, 0), 4));         // right, +x
    EXPECT_TRUE(centre_is(view_sky(0, 0, 1000.0f), 5));                 // up
    EXPECT_TRUE(centre_is(view_sky(0, 0, -1000.0f), 2));                // down
}

TEST_F(SkyBox, AFacePassedFromOutsideIsCulled) {
    build_coloured_sky();
    // Behind the +z wall looking back in: that wall is seen from behind and
    // culled, so the far wall ahead shows.
    Pixels p = view_sky(20000.0f, 0, 0);
    EXPECT_FALSE(centre_is(p, 1));
    EXPECT_TRUE(centre_is(p, 0));
}

TEST_F(SkyBox, TheSkySurroundsTheEyeFarFromTheOrigin) {
    build_coloured_sky();
    // 30 km out, where a box fixed around the origin would be seen from outside.
    apply_projection(SIZE, SIZE);
    camera_eye_x = 30000.0f;
    camera_eye_z = -25000.0f;
    camera_eye_y = camera_height = 50.0f;
    camera_dir_y = 0;
    turn_camera_dir(0);
    panoramic_sky_on = 1;
    overlay_visible = 0;
    draw_frame();
    Pixels p = read_back();
    EXPECT_TRUE(centre_is(p, 0));  // ahead, -z, as from the origin
    // Everywhere away from the read-outs in the corners the sky shows, never black.
    for (int y = SIZE / 8; y < SIZE * 7 / 8; y += SIZE / 16)
        for (int x = SIZE / 8; x < SIZE * 7 / 8; x += SIZE / 16) {
            const unsigned char* c = p.at(x, y);
            EXPECT_GT(c[0] + c[1] + c[2], 30) << "black at " << x << ", " << y;
        }
}

TEST_F(SkyBox, MissingPictureIsFatal) {
    std::string out = "sky_console.txt";
    EXPECT_EQ(console_of_quitting(build_sky_box, out, "/"), "Sky file not found...Quitting.");
    remove(out.c_str());
}

namespace {

// A long flat strip ahead of the eye, seen level from the origin.
Pixels view_strip() {
    glViewport(0, 0, SIZE, SIZE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 0.1, 50000.0);
    glMatrixMode(GL_MODELVIEW);
    camera_eye_x = camera_eye_y = camera_eye_z = camera_height = camera_dir_y = 0;
    turn_camera_dir(0);
    apply_view();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    render_mode = RENDER_FILLED;
    draw_terrain_mono();
    return read_back();
}

const char* STRIP = "v -3000 -10 100\nv -3000 -10 -6000\nv 3000 -10 100\nv 3000 -10 -6000\n"
                    "f 2/2/2 1/1/1 4/4/4\nf 4/4/4 1/1/1 3/3/3\n";

}  // namespace

using Fog = GlTest;

TEST_F(Fog, DistantTerrainTendsToTheFogGreyAndTogglingTwiceRestores) {
    load_startup_terrain(STRIP);
    Pixels clear = view_strip();
    fog_end = 500.0f;
    toggle_fog();
    EXPECT_EQ(fog_on, 1);
    Pixels foggy = view_strip();
    const unsigned char* far_pixel = foggy.at(SIZE / 2, SIZE / 2 - 2);  // just below the horizon
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(far_pixel[k], 128, 3);
    EXPECT_GT(foggy.at(SIZE / 2, 2)[0], 200);  // the ground at the eye's feet is barely fogged
    toggle_fog();
    EXPECT_EQ(fog_on, 0);
    Pixels again = view_strip();
    EXPECT_EQ(clear.rgb, again.rgb);
}

TEST_F(Fog, FogEndFollowsTheLoadedTerrainAtTheNextSwitchOn) {
    load_startup_terrain(STRIP);  // largest x 3000: fog ends at 2500
    toggle_fog();
    GLfloat end = 0;
    glGetFloatv(GL_FOG_END, &end);
    EXPECT_FLOAT_EQ(end, 2500.0f);
    load_startup_terrain(square_at(0, 0));  // largest x 0.5
    glGetFloatv(GL_FOG_END, &end);
    EXPECT_FLOAT_EQ(end, 2500.0f);  // stale while fog stays on
    toggle_fog();
    toggle_fog();
    glGetFloatv(GL_FOG_END, &end);
    EXPECT_FLOAT_EQ(end, 0.5f * 5.0f / 6.0f);
    GLfloat colour[4];
    glGetFloatv(GL_FOG_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.5f);
    GLint mode;
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_EQ(mode, GL_LINEAR);
}

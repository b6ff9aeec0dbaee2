// The terrain on real Mesa: display list, exaggeration, render modes,
// texturing, normals switch, quads, drapes and refusals.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "frame/frame.h"
#include "state/app_state.h"
#include "state/frame_state.h"
#include "state/overlay_state.h"
#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "terrain/texture.h"
#include "tests/gl/gl_support.h"
#include "tests/support/temp_files.h"

namespace {

float ridge(int x, int) { return x == 4 ? 3.0f : 0.0f; }
// Looks straight down on the 9 x 9 test grid, lit from above.
void look_down_on_grid() {
    glViewport(0, 0, 256, 256);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, 8.5, -8.5, 0.5, -100, 100);  // screen y is -z
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);  // look down -y; +z becomes screen down
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    float direction[4] = {0.6f, 1.0f, 0.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glClearColor(0, 0, 0, 0);
}

std::vector<unsigned char> draw_and_read() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_terrain_mono();
    glFinish();
    std::vector<unsigned char> pixels(256 * 256 * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 256, 256, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int lit_pixels(const std::vector<unsigned char>& p) {
    int n = 0;
    for (size_t i = 0; i < p.size(); i += 3) n += (p[i] | p[i + 1] | p[i + 2]) != 0;
    return n;
}

GLint front_polygon_mode() {
    GLint modes[2];
    glGetIntegerv(GL_POLYGON_MODE, modes);
    return modes[0];
}

using TerrainGl = GlTest;

}  // namespace

TEST_F(TerrainGl, StartupLoadCompilesEveryFaceIntoAList) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    EXPECT_TRUE(glIsList(terrain_list));
    EXPECT_EQ(terrain_faces_compiled, 128);
    EXPECT_TRUE(glIsTexture(terrain_texture));
    EXPECT_FLOAT_EQ(light0_position[1], 54.0f);
    look_down_on_grid();
    EXPECT_GT(lit_pixels(draw_and_read()), 256 * 256 * 3 / 4);  // the grid fills (8/9)^2 of the view
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(TerrainGl, ExaggerationTwiceUpAndDownRestoresHeightsAndPrintsReadouts) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    std::vector<float> heights;
    for (int i = 0; i < terrain_vertex_count; ++i) heights.push_back(terrain_vertices[i].y);
    unsigned first = terrain_list;
    testing::internal::CaptureStdout();
    increase_exaggeration();
    EXPECT_FLOAT_EQ(terrain_vertices[40].y, 5.0f);
    increase_exaggeration();
    decrease_exaggeration();
    decrease_exaggeration();
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "\n1.250000\n\n1.500000\n\n1.250000\n\n1.000000\n");
    for (int i = 0; i < terrain_vertex_count; ++i) EXPECT_NEAR(terrain_vertices[i].y, heights[i], 1e-5f);
    EXPECT_TRUE(glIsList(terrain_list));
    EXPECT_FALSE(first != terrain_list && glIsList(first));  // the old list is gone
}

TEST_F(TerrainGl, ExaggerationStopsAtItsBoundSayingSoAndItsReadoutWithIt) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    int taken = 0;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 200; ++i) {
        float before = exaggeration;
        increase_exaggeration();
        taken += exaggeration != before;
    }
    std::string console = testing::internal::GetCapturedStdout();
    // The dome's top, 4, may rise 117 steps before a height would pass 1e12.
    EXPECT_EQ(taken, 117);
    EXPECT_FLOAT_EQ(exaggeration, 1.0f + 0.25f * taken);
    EXPECT_TRUE(message_visible);
    EXPECT_NE(std::string(message_text).find("Exaggeration not raised"), std::string::npos) << message_text;
    EXPECT_NE(console.find("Exaggeration not raised"), std::string::npos);
    for (int i = 0; i < terrain_vertex_count; ++i) EXPECT_TRUE(std::isfinite(terrain_vertices[i].y)) << i;
    testing::internal::CaptureStdout();
    for (int i = 0; i < taken; ++i) decrease_exaggeration();
    testing::internal::GetCapturedStdout();
    EXPECT_FLOAT_EQ(exaggeration, 1.0f);
    EXPECT_NEAR(terrain_vertices[40].y, 4.0f, 1e-4f);
    EXPECT_TRUE(glIsList(terrain_list));
}

TEST_F(TerrainGl, RenderModesLeaveThePolygonModeAsTheMenuSays) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    look_down_on_grid();
    int filled = lit_pixels(draw_and_read());
    set_render_mode(RENDER_POINT_CLOUD);
    EXPECT_EQ(front_polygon_mode(), GL_POINT);
    int points = lit_pixels(draw_and_read());
    EXPECT_EQ(front_polygon_mode(), GL_FILL);  // the frame restores fill after drawing
    set_render_mode(RENDER_WIRE_FRAME);
    EXPECT_EQ(front_polygon_mode(), GL_LINE);
    int lines = lit_pixels(draw_and_read());
    EXPECT_EQ(front_polygon_mode(), GL_FILL);
    set_render_mode(RENDER_FILLED);
    EXPECT_EQ(front_polygon_mode(), GL_FILL);
    EXPECT_LT(points, lines);
    EXPECT_LT(lines, filled);
    render_mode = 0;
    EXPECT_EQ(lit_pixels(draw_and_read()), 0);  // unknown modes draw nothing
}

TEST_F(TerrainGl, TexturingSwitchFollowsTheToggle) {
    toggle_textures();
    EXPECT_EQ(textures_on, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    toggle_textures();
    EXPECT_EQ(textures_on, 1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(TerrainGl, AverageNormalsOffShadesEachFaceFlat) {
    load_startup_terrain(grid_terrain_text(9, 9, ridge));
    look_down_on_grid();
    glDisable(GL_TEXTURE_2D);
    std::vector<unsigned char> smooth = draw_and_read();
    testing::internal::CaptureStdout();
    toggle_average_normals();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(average_normals, 0);
    std::vector<unsigned char> flat = draw_and_read();
    // Flat: the two slopes of the ridge each have one shade, so the faces
    // next to the ridge line differ from the smooth image.
    int differing = 0;
    for (size_t i = 0; i < flat.size(); ++i) differing += std::abs(flat[i] - smooth[i]) > 8;
    EXPECT_GT(differing, 1000);
    // A pixel row across the ridge's east slope has one flat value.
    int y = (int)(256 * 4.0 / 9), x1 = (int)(256 * 4.8 / 9), x2 = (int)(256 * 5.4 / 9);  // z 4.5, x 4.3 and 4.9
    EXPECT_EQ(flat[(y * 256 + x1) * 3], flat[(y * 256 + x2) * 3]);
    EXPECT_NE(smooth[(y * 256 + x1) * 3], smooth[(y * 256 + x2) * 3]);
}

TEST_F(TerrainGl, QuadsWithAnOddFaceCountDrawTheLastFaceAsATriangle) {
    // Two faces forming the square (0..1), and a lone triangle far away at x 6..8.
    load_startup_terrain("v 0 0 0\nv 0 0 1\nv 1 0 0\nv 1 0 1\nv 6 0 6\nv 6 0 8\nv 8 0 6\n"
                 "f 1/1/1 2/2/2 3/3/3\nf 3/3/3 4/4/4 2/2/2\nf 5/5/5 6/6/6 7/7/7\n");
    terrain_primitive = PRIMITIVE_QUADS;
    testing::internal::CaptureStdout();
    rebuild_terrain_list();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(terrain_faces_compiled, 3);
    look_down_on_grid();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);  // the quad's corner order is the file's, not ours
    std::vector<unsigned char> p = draw_and_read();
    auto lit_at = [&](float x, float z) {
        int px = (int)((x + 0.5f) / 9 * 256), py = 255 - (int)((z + 0.5f) / 9 * 256);
        const unsigned char* c = &p[(py * 256 + px) * 3];
        return (c[0] | c[1] | c[2]) != 0;
    };
    EXPECT_TRUE(lit_at(6.5f, 6.5f));  // the odd face
    EXPECT_TRUE(lit_at(0.5f, 0.5f));  // the quad
    EXPECT_FALSE(lit_at(4.0f, 4.0f));
}

TEST_F(TerrainGl, RefusedReloadKeepsTheLoadedTerrain) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    unsigned list = terrain_list;
    TerrainVertex* vertices = terrain_vertices;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(load_terrain("/nonexistent/gone.dem", "", 0, 0, 0, 1));
    std::string bad = write_temp_file("bad.dem", "v 0 0 0\nf 1/1/1 2/2/2 1/1/1\n");
    EXPECT_FALSE(load_terrain(bad.c_str(), "", 0, 0, 0, 1));
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("DEM file not found /nonexistent/gone.dem"), std::string::npos);
    EXPECT_NE(std::string(message_text).find("bad.dem line 2"), std::string::npos) << message_text;
    EXPECT_EQ(message_visible, 1);
    EXPECT_EQ(terrain_vertex_count, 81);
    EXPECT_EQ(terrain_vertices, vertices);
    EXPECT_EQ(terrain_list, list);
    EXPECT_TRUE(glIsList(terrain_list));
}

TEST_F(TerrainGl, ReloadReplacesTheMeshAndKeepsTheTexture) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    unsigned texture = terrain_texture;
    std::string small = write_temp_file("small.dem", grid_terrain_text(3, 3, ridge));
    testing::internal::CaptureStdout();
    EXPECT_TRUE(load_terrain(small.c_str(), "", 0, 0, 0, 1));
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("\nVertices:9 Polygons:8\n\n"), std::string::npos) << console;
    EXPECT_NE(console.find("Parsing OBJ file...Done!\n"), std::string::npos);
    EXPECT_NE(console.find("Terrain Width Range is 2...Setting Movement Speed to 2\n"), std::string::npos);
    EXPECT_EQ(terrain_faces_compiled, 8);
    EXPECT_EQ(terrain_texture, texture);
    EXPECT_EQ(message_visible, 0);
}

TEST_F(TerrainGl, DrapesReplaceTheTextureAndRefusalsKeepIt) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    std::string dir = make_temp_dir();
    mkdir((dir + "/Drape").c_str(), 0755);
    auto put = [&](const std::string& name, const std::string& bytes) {
        FILE* f = fopen((dir + "/Drape/" + name).c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    };
    put("grey.raw", std::string(6 * 5, '\x80'));  // odd width: rows are not padded
    put("grey.info", "6 5 1\n");
    put("short.raw", std::string(10, '\x80'));
    put("short.info", "6 5 3\n");
    put("noinfo.raw", std::string(12, '\x80'));
    char cwd[512];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(load_drape("/Drape/grey.raw"));
    unsigned texture = terrain_texture;
    GLint width = 0, format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(width, 6);
    EXPECT_TRUE(format == GL_LUMINANCE || format == 1) << format;
    EXPECT_EQ(texture_width, 6);
    EXPECT_EQ(texture_height, 5);
    EXPECT_FALSE(load_drape("/Drape/short.raw"));
    EXPECT_NE(std::string(message_text).find("holds 10 bytes"), std::string::npos) << message_text;
    EXPECT_FALSE(load_drape("/Drape/noinfo.raw"));
    EXPECT_NE(std::string(message_text).find("./Drape/noinfo.info"), std::string::npos) << message_text;
    EXPECT_FALSE(load_drape("/Drape/missing.raw"));
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("12\n./Drape/grey.info\nLoading Texture...Done!\n"), std::string::npos) << console;
    EXPECT_EQ(terrain_texture, texture);
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(texture_width, 6);
    ASSERT_EQ(chdir(cwd), 0);
}

// Every pass of a frame starts from the rest state and leaves it, whatever
// the mode; the next pass (and the next frame) rely on it.
void expect_rest_state(const char* when) {
    SCOPED_TRACE(when);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), (GLboolean)(textures_on != 0));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(front_polygon_mode(), GL_FILL);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
    GLint matrix_mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(matrix_mode, GL_MODELVIEW);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(TerrainGl, EveryFrameLeavesTheRestStateInEveryMode) {
    load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    long before = frames_drawn;
    const int modes[] = {RENDER_FILLED, RENDER_WIRE_FRAME, RENDER_POINT_CLOUD, 0};
    for (int stereo = 0; stereo < 2; ++stereo) {
        for (int mode : modes) {
            for (int textured = 0; textured < 2; ++textured) {
                stereo_on = stereo;
                render_mode = mode;
                if (textures_on != textured) toggle_textures();
                draw_frame();
                expect_rest_state(("stereo " + std::to_string(stereo) + " mode " + std::to_string(mode) +
                                   " textured " + std::to_string(textured)).c_str());
            }
        }
    }
    EXPECT_EQ(frames_drawn, before + 16);
}

using TerrainGlFatal = GlTest;

TEST_F(TerrainGlFatal, NinthFaceAtStartupIsFatalWithItsMessage) {
    std::string fan = "v 0 0 0\n";
    for (int i = 0; i < 10; ++i) fan += "v " + std::to_string(std::cos(i * 0.6)) + " 0 " + std::to_string(std::sin(i * 0.6)) + "\n";
    for (int i = 0; i < 9; ++i) fan += "f 1/1/1 " + std::to_string(i + 3) + "/1/1 " + std::to_string(i + 2) + "/1/1\n";
    std::string path = write_temp_file("fan.obj", fan);
    // Death tests re-run the binary: the child must find the same path.
    std::string out = "fatal_console_fan.txt";
    std::string console =
        console_of_quitting([&] { load_terrain(path.c_str(), small_texture_path().c_str(), 3, 4, 4, 0); }, out);
    EXPECT_NE(console.find("MORE THAN 8 faces per vertex...model type unsuitable"), std::string::npos) << console;
    EXPECT_EQ(console.back(), 'e');  // no newline: the cursor waits behind the message
}

TEST_F(TerrainGlFatal, MissingStartupTerrainOrTextureIsFatal) {
    std::string out = "fatal_console_missing.txt";
    std::string console = console_of_quitting(
        [] { load_terrain("/nonexistent/Default.obj", small_texture_path().c_str(), 3, 4, 4, 0); }, out);
    EXPECT_NE(console.find("\nDEM file not found /nonexistent/Default.obj...Quitting.\n"), std::string::npos);
    std::string terrain = write_temp_file("ok.obj", "v 0 0 0\nf 1/1/1 1/1/1 1/1/1\n");
    console = console_of_quitting([&] { load_terrain(terrain.c_str(), "/nonexistent/Default.raw", 3, 4, 4, 0); }, out);
    EXPECT_NE(console.find("Loading Texture...Texture file not found...Quitting."), std::string::npos);
}

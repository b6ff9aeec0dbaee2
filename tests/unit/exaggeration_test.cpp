// Exaggeration steps keep every height finite and recoverable, and the dump
// possible, however many steps are asked for.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/terrain_file.h"
#include "files/terrain_writer.h"
#include "state/overlay_state.h"
#include "state/world_state.h"
#include "terrain/terrain_dump.h"
#include "terrain/terrain_mesh.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

constexpr int PRESSES = 420;  // enough to carry the heights past what a float holds, either way

// Heights of both signs, a zero, large and small ones: -75 to 75.5.
float slope(int x, int z) { return (x - 2) * 37.5f + z * 0.125f; }

class Exaggeration : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        TerrainParse parse;
        char error[TERRAIN_ERROR_SIZE];
        std::string path = write_temp_file("slope.obj", grid_terrain_text(5, 5, slope));
        ASSERT_TRUE(read_terrain_file(path.c_str(), &parse, error, sizeof error)) << error;
        install_terrain_mesh(&parse);
        for (int i = 0; i < terrain_vertex_count; ++i) original.push_back(terrain_vertices[i].y);
    }

    // Asks for `presses` steps; returns how many the heights took.
    int step(bool raise, int presses) {
        int taken = 0;
        testing::internal::CaptureStdout();
        for (int i = 0; i < presses; ++i) taken += scale_terrain_heights(raise);
        console = testing::internal::GetCapturedStdout();
        return taken;
    }

    void expect_finite_heights(float largest) {
        for (int i = 0; i < terrain_vertex_count; ++i) {
            float y = terrain_vertices[i].y;
            EXPECT_TRUE(std::isfinite(y)) << "vertex " << i;
            EXPECT_LT(std::fabs(y), largest) << "vertex " << i;
            if (original[i] != 0.0f) {
                EXPECT_GE(std::fabs(y), FLT_MIN) << "vertex " << i << " flattened";
            }
        }
    }

    void expect_original_heights() {
        for (int i = 0; i < terrain_vertex_count; ++i)
            EXPECT_NEAR(terrain_vertices[i].y, original[i], 1e-4 * std::fabs(original[i])) << "vertex " << i;
        EXPECT_NEAR(terrain_height_scale, 1.0f, 1e-4f);
    }

    // The dump is written and loads back with the heights held now.
    void expect_dump_loads() {
        std::string path = make_temp_dir() + "/dump.dem";
        char error[512];
        ASSERT_TRUE(write_terrain_dump(path.c_str(), error, sizeof error)) << error;
        TerrainParse parse;
        ASSERT_TRUE(read_terrain_file(path.c_str(), &parse, error, sizeof error)) << error;
        ASSERT_EQ(parse.vertex_count, terrain_vertex_count);
        for (int i = 0; i < terrain_vertex_count; ++i)
            EXPECT_NEAR(parse.vertices[i].y, terrain_vertices[i].y, 1e-6 * std::fabs(terrain_vertices[i].y) + 1e-6);
        free(parse.vertices);
        free(parse.faces);
    }

    std::vector<float> original;
    std::string console;
};

}  // namespace

TEST_F(Exaggeration, StepsUpStopBeforeHeightsOverflowAndAsManyDownGiveThemBack) {
    int taken = step(true, PRESSES);
    EXPECT_GT(taken, 90);  // 75.5 x 1.25^90 is about 4e10
    EXPECT_LT(taken, PRESSES);
    expect_finite_heights((float)LARGEST_COORDINATE);
    EXPECT_TRUE(message_visible);
    EXPECT_NE(std::string(message_text).find("Exaggeration not raised"), std::string::npos) << message_text;
    EXPECT_NE(console.find("Exaggeration not raised"), std::string::npos);
    expect_dump_loads();

    // A refused step changed nothing: the steps taken, undone, give the heights back.
    EXPECT_EQ(step(false, taken), taken);
    expect_original_heights();
}

TEST_F(Exaggeration, StepsDownStopBeforeHeightsVanishAndAsManyUpGiveThemBack) {
    int taken = step(false, PRESSES);
    EXPECT_GT(taken, 300);  // 0.125 / 1.25^300 is about 1e-30
    EXPECT_LT(taken, PRESSES);
    expect_finite_heights(FLT_MAX);
    EXPECT_NE(std::string(message_text).find("Exaggeration not lowered"), std::string::npos) << message_text;
    expect_dump_loads();

    EXPECT_EQ(step(true, taken), taken);
    expect_original_heights();
}

TEST_F(Exaggeration, AFlatTerrainStopsWhereTheScaleWouldLeaveTheFloats) {
    for (int i = 0; i < terrain_vertex_count; ++i) terrain_vertices[i].y = 0.0f;
    int up = step(true, PRESSES);
    EXPECT_LT(up, PRESSES);
    EXPECT_TRUE(std::isfinite(terrain_height_scale));
    int down = step(false, 2 * PRESSES);
    EXPECT_LT(down, 2 * PRESSES);
    EXPECT_GE(terrain_height_scale, FLT_MIN);
    expect_dump_loads();
}

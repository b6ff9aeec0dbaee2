// Picking the nearest terrain face under a ray.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "files/terrain_file.h"
#include "state/camera_state.h"
#include "state/mouse_state.h"
#include "state/world_state.h"
#include "terrain/picking.h"
#include "terrain/terrain_mesh.h"
#include "tests/support/pick_reference.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

// Horizontal unit squares (two faces each, counter-clockwise from above) at
// the given heights, all over x, z in 0..1.
std::string stacked_squares(const std::vector<float>& heights) {
    std::string v, f;
    int base = 1;
    for (float h : heights) {
        std::string y = std::to_string(h);
        v += "v 0 " + y + " 0\nv 0 " + y + " 1\nv 1 " + y + " 0\nv 1 " + y + " 1\n";
        auto c = [&](int k) { std::string n = std::to_string(base + k); return n + "/" + n + "/" + n; };
        f += "f " + c(0) + " " + c(1) + " " + c(2) + "\n";
        f += "f " + c(2) + " " + c(1) + " " + c(3) + "\n";
        base += 4;
    }
    return v + f;
}

void install(const std::string& text) {
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    ASSERT_TRUE(read_terrain_file(write_temp_file("pick.obj", text).c_str(), &parse, error, sizeof error)) << error;
    install_terrain_mesh(&parse);
}

// A vertical ray from high above down through (x, z); the eye sits at its top.
void ray_down_at(double x, double z) {
    ray_near[0] = x, ray_near[1] = 100, ray_near[2] = z;
    ray_far[0] = x, ray_far[1] = -100, ray_far[2] = z;
    camera_eye_x = (float)x, camera_eye_y = 100, camera_eye_z = (float)z;
}

float bumps(int x, int z) { return 3.0f * std::sin(x * 0.7f) * std::cos(z * 0.5f) + (x == 20 ? 9.0f : 0.0f); }

using Picking = ViewerTest;

}  // namespace

TEST_F(Picking, TheNearerOfTwoSurfacesWinsAndItsCornersAreMarked) {
    install(stacked_squares({0.0f, 5.0f}));
    ray_down_at(0.2, 0.3);
    ASSERT_TRUE(pick_face());
    EXPECT_EQ(picked_face, 2);  // the upper square's first face
    EXPECT_DOUBLE_EQ(pick_marker[0][1], 5.0);
    EXPECT_DOUBLE_EQ(pick_marker[1][2], 1.0);
    EXPECT_DOUBLE_EQ(pick_marker[2][0], 1.0);
}

TEST_F(Picking, ASharedEdgeGoesToTheLowerFaceAndAMissChangesNothing) {
    install(stacked_squares({0.0f}));
    ray_down_at(0.5, 0.5);  // on the diagonal both faces share
    picked_face = 7;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(pick_face());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(picked_face, 0);

    ray_down_at(0.8, 0.9);
    ASSERT_TRUE(pick_face());
    EXPECT_EQ(picked_face, 1);
    ray_down_at(3.0, 3.0);  // off the terrain
    EXPECT_FALSE(pick_face());
    EXPECT_EQ(picked_face, 1);
    EXPECT_DOUBLE_EQ(pick_marker[2][0], 1.0);
}

TEST_F(Picking, MoreThanFiveHundredCrossingsStillFindTheNearest) {
    std::vector<float> heights;
    for (int i = 0; i < 700; ++i) heights.push_back(i == 600 ? 50.0f : (float)(i % 40));
    install(stacked_squares(heights));
    ray_down_at(0.25, 0.6);
    ASSERT_TRUE(pick_face());
    EXPECT_EQ(picked_face, 1200);  // the highest square, crossed after 600 others
}

TEST_F(Picking, AgreesWithTestingEveryFaceOnAnyRayAndAfterTheMeshChanges) {
    install(grid_terrain_text(41, 41, bumps));
    unsigned seed = 7;
    auto next = [&seed](double low, double high) {
        seed = seed * 1103515245u + 12345u;
        return low + (high - low) * ((seed >> 8) & 0xffff) / 65535.0;
    };
    int hits = 0;
    for (int ray = 0; ray < 400; ++ray) {
        if (ray == 200) {
            // An exaggeration step: the corners move, the stored face
            // normals do not; picking must follow the corners, and so must
            // the markers of the picked face.
            picked_face = 5;
            mark_picked_corners(picked_face);
            scale_terrain_heights(true);
            const TerrainVertex& corner = terrain_vertices[terrain_faces[5].corners[1].vertex - 1];
            EXPECT_DOUBLE_EQ(pick_marker[1][1], corner.y);
        }
        double eye[3] = {next(-10, 50), next(2, 30), next(-10, 50)};
        double at[3] = {next(0, 40), next(-3, 3), next(0, 40)};
        camera_eye_x = (float)eye[0], camera_eye_y = (float)eye[1], camera_eye_z = (float)eye[2];
        for (int k = 0; k < 3; ++k) {
            ray_near[k] = eye[k];
            ray_far[k] = eye[k] + (at[k] - eye[k]) * 500.0;
        }
        int expected = pick_by_testing_every_face();
        picked_face = -1;
        testing::internal::CaptureStdout();
        bool picked = pick_face();
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(picked ? picked_face : -1, expected) << "ray " << ray;
        hits += picked;
    }
    EXPECT_GT(hits, 200);  // most rays meet the land
}

TEST_F(Picking, AClickOnACornerFindsTheNodeAndAFaceAroundIt) {
    // Far from the origin and seen from afar, as a click on the default
    // world is: single precision puts the crossing beside the corner there.
    install(grid_terrain_text(21, 21, bumps));
    for (int i = 0; i < terrain_vertex_count; ++i) {
        terrain_vertices[i].x = terrain_vertices[i].x * 37.0f + 900.0f;
        terrain_vertices[i].z = terrain_vertices[i].z * 37.0f - 700.0f;
        terrain_vertices[i].y *= 9.0f;
    }
    ++terrain_revision;
    const int vertex = 10 * 21 + 7;  // inside the grid: six faces share it
    const TerrainVertex& v = terrain_vertices[vertex];
    double eye[3] = {v.x - 520.3, v.y + 410.7, v.z + 610.9};
    camera_eye_x = (float)eye[0], camera_eye_y = (float)eye[1], camera_eye_z = (float)eye[2];
    double at[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) {
        ray_near[k] = eye[k];
        ray_far[k] = eye[k] + (at[k] - eye[k]) * 1.7;
    }
    picked_face = -1;
    testing::internal::CaptureStdout();
    bool picked = pick_face();
    std::string console = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(picked);
    EXPECT_NE(console.find("Found Node"), std::string::npos);
    bool has_corner = false;
    for (const TerrainCorner& c : terrain_faces[picked_face].corners) has_corner |= c.vertex - 1 == vertex;
    EXPECT_TRUE(has_corner) << "face " << picked_face;
}

TEST_F(Picking, ALoadMarksFaceZeroOfTheNewTerrain) {
    install(stacked_squares({0.0f, 5.0f}));
    ray_down_at(0.2, 0.3);
    testing::internal::CaptureStdout();
    bool picked = pick_face();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(picked);
    ASSERT_EQ(picked_face, 2);

    install(stacked_squares({-7.0f}));
    apply_terrain_settings();
    EXPECT_EQ(picked_face, 0);
    const TerrainFace& f = terrain_faces[0];
    for (int k = 0; k < 3; ++k) {
        const TerrainVertex& v = terrain_vertices[f.corners[k].vertex - 1];
        EXPECT_DOUBLE_EQ(pick_marker[k][0], v.x);
        EXPECT_DOUBLE_EQ(pick_marker[k][1], -7.0);
        EXPECT_DOUBLE_EQ(pick_marker[k][2], v.z);
    }
}

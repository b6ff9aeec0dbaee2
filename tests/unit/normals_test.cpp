// Face normals, face lists and averaged vertex normals.
#include <gtest/gtest.h>

#include <cmath>

#include "files/terrain_file.h"
#include "files/terrain_normals.h"
#include "tests/support/temp_files.h"

namespace {
TerrainParse load(const std::string& text) {
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    EXPECT_TRUE(read_terrain_file(write_temp_file("n.obj", text).c_str(), &parse, error, sizeof error)) << error;
    return parse;
}
}  // namespace

TEST(Normals, FlatCounterClockwiseSquarePointsUpEverywhere) {
    TerrainParse p = load("v 0 0 0\nv 0 0 1\nv 1 0 0\nv 1 0 1\nf 1/1/1 2/2/2 3/3/3\nf 3/3/3 2/2/2 4/4/4\n");
    for (int f = 0; f < 2; ++f) {
        EXPECT_FLOAT_EQ(p.faces[f].ny, 1.0f);
        EXPECT_FLOAT_EQ(p.faces[f].nx, 0.0f);
    }
    for (int v = 0; v < 4; ++v) {
        EXPECT_FLOAT_EQ(p.vertices[v].nx, 0.0f);
        EXPECT_FLOAT_EQ(p.vertices[v].ny, 1.0f);
        EXPECT_FLOAT_EQ(p.vertices[v].nz, 0.0f);
    }
    free_terrain_parse(&p);
}

TEST(Normals, DegenerateFaceAndUnusedVertexGiveZero) {
    // Face 2 repeats a corner; vertex 5 is used by no face.
    TerrainParse p = load("v 0 0 0\nv 0 0 1\nv 1 0 0\nv 2 0 0\nv 9 9 9\n"
                          "f 1/1/1 2/2/2 3/3/3\nf 3/3/3 4/4/4 4/4/4\n");
    EXPECT_FLOAT_EQ(p.faces[1].nx, 0.0f);
    EXPECT_FLOAT_EQ(p.faces[1].ny, 0.0f);
    EXPECT_FLOAT_EQ(p.faces[1].nz, 0.0f);
    EXPECT_FLOAT_EQ(p.vertices[2].ny, 1.0f);  // the degenerate face adds nothing
    EXPECT_FLOAT_EQ(p.vertices[3].ny, 0.0f);  // only degenerate faces: zero
    EXPECT_EQ(p.vertices[3].face_count, 2);   // named twice by the same face
    EXPECT_EQ(p.vertices[4].face_count, 0);
    EXPECT_FLOAT_EQ(p.vertices[4].nx + p.vertices[4].ny + p.vertices[4].nz, 0.0f);
    free_terrain_parse(&p);
}

TEST(Normals, EachFaceCountsEquallyInTheAverage) {
    // Two faces at vertex 1: one flat, one vertical (normal +x or -x).
    float flat[3], wall[3];
    float flat_corners[9] = {0, 0, 0, 0, 0, 1, 1, 0, 0};
    float wall_corners[9] = {0, 0, 0, 0, 1, 0, 0, 0, 1};
    face_normal(flat_corners, flat);
    face_normal(wall_corners, wall);
    EXPECT_FLOAT_EQ(flat[1], 1.0f);
    EXPECT_FLOAT_EQ(std::fabs(wall[0]), 1.0f);

    TerrainVertex v{};
    TerrainFace faces[2]{};
    faces[0].nx = flat[0]; faces[0].ny = flat[1]; faces[0].nz = flat[2];
    faces[1].nx = wall[0]; faces[1].ny = wall[1]; faces[1].nz = wall[2];
    ASSERT_TRUE(add_vertex_face(&v, 0));
    ASSERT_TRUE(add_vertex_face(&v, 1));
    average_vertex_normals(&v, 1, faces, 2);
    EXPECT_NEAR(v.ny, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(std::fabs(v.nx), std::sqrt(0.5f), 1e-6f);
}

TEST(Normals, NormalizeKeepsZeroAndScalesToUnit) {
    float zero[3] = {0, 0, 0};
    normalize3(zero);
    EXPECT_EQ(zero[0] + zero[1] + zero[2], 0.0f);
    float v[3] = {3, 0, 4};
    normalize3(v);
    EXPECT_FLOAT_EQ(v[0], 0.6f);
    EXPECT_FLOAT_EQ(v[2], 0.8f);
}

TEST(Normals, FaceListHoldsAtMostEight) {
    TerrainVertex v{};
    for (int i = 0; i < MAX_VERTEX_FACES; ++i) ASSERT_TRUE(add_vertex_face(&v, i));
    EXPECT_FALSE(add_vertex_face(&v, 8));
    EXPECT_EQ(v.face_count, 8);
    EXPECT_EQ(v.faces[7], 7);
}

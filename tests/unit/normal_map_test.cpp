// The terrain's normals laid out across the ground for lighting coarse levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "files/normal_map.h"
#include "files/terrain_file.h"
#include "tests/support/temp_files.h"

namespace {

float ridges(int x, int z) { return 3.0f * std::sin(x * 0.7f) + 2.0f * std::cos(z * 1.3f) + 0.1f * x * z; }

TerrainParse load_grid(int cols, int rows) {
    TerrainParse parse{};
    char error[TERRAIN_ERROR_SIZE];
    std::string path = write_temp_file("map.obj", grid_terrain_text(cols, rows, ridges));
    EXPECT_TRUE(read_terrain_file(path.c_str(), &parse, error, sizeof error)) << error;
    return parse;
}

// The normal a texel holds, decoded (y from x and z, as the lighting does).
void texel_normal(const TerrainNormalMap& map, int i, int j, float n[3]) {
    const unsigned char* texel = &map.texels[NORMAL_MAP_TEXEL_BYTES * ((size_t)j * map.width + i)];
    n[0] = (texel[0] - 127.5f) / 127.5f;
    n[2] = (texel[1] - 127.5f) / 127.5f;
    n[1] = std::sqrt(std::max(0.0f, 1.0f - n[0] * n[0] - n[2] * n[2]));
}

}  // namespace

TEST(NormalMap, AGridsVerticesFallOnTexelCentresAndKeepTheirNormals) {
    TerrainParse p = load_grid(40, 30);
    TerrainNormalMap map;
    ASSERT_TRUE(build_terrain_normal_map(p.vertices, p.vertex_count, p.faces, p.face_count, 8192, &map));
    EXPECT_EQ(map.width, 40);
    EXPECT_EQ(map.height, 30);
    EXPECT_FLOAT_EQ(map.step_x, 1.0f);
    EXPECT_FLOAT_EQ(map.step_z, 1.0f);
    float worst = 0.0f;
    for (int z = 0; z < 30; ++z)
        for (int x = 0; x < 40; ++x) {
            const TerrainVertex& v = p.vertices[z * 40 + x];
            float n[3];
            texel_normal(map, x, z, n);
            worst = std::max({worst, std::fabs(n[0] - v.nx), std::fabs(n[2] - v.nz)});
            // Up follows from across: close where the ground is not steep.
            if (v.ny > 0.5f) {
                EXPECT_NEAR(n[1], v.ny, 0.01f) << x << ", " << z;
            }
        }
    EXPECT_LT(worst, 1.0f / 127.0f);  // nothing but the byte's rounding
    // The texture coordinates put each vertex on its texel's centre.
    float place[4];
    normal_map_texture_place(map, place);
    EXPECT_NEAR(7.0f * place[0] + place[1], 7.5f / 40, 1e-6f);
    EXPECT_NEAR(29.0f * place[2] + place[3], 29.5f / 30, 1e-6f);

    // A vertex whose normal changes: laid out again around it alone.
    p.vertices[5 * 40 + 5].nx = 1.0f, p.vertices[5 * 40 + 5].ny = 0.0f, p.vertices[5 * 40 + 5].nz = 0.0f;
    const TerrainVertex& moved = p.vertices[5 * 40 + 5];
    std::vector<int> faces(moved.faces, moved.faces + moved.face_count);
    faces.push_back(-1);             // a face number out of range is passed over
    faces.push_back(p.face_count);
    int rect[4];
    update_terrain_normal_map(p.vertices, p.vertex_count, p.faces, p.face_count, faces, &map, rect);
    float n[3];
    texel_normal(map, 5, 5, n);
    EXPECT_NEAR(n[0], 1.0f, 0.01f);
    EXPECT_LE(rect[0], 5);
    EXPECT_GT(rect[0] + rect[2], 5);
    EXPECT_LE(rect[2] * rect[3], 9);  // the faces around one vertex of a grid

    // A corner dragged far off the map: only texels on the map are touched.
    p.vertices[7 * 40 + 7].x = 1e30f;
    const TerrainVertex& far = p.vertices[7 * 40 + 7];
    update_terrain_normal_map(p.vertices, p.vertex_count, p.faces, p.face_count,
                              std::vector<int>(far.faces, far.faces + far.face_count), &map, rect);
    EXPECT_GE(rect[0], 0);
    EXPECT_LE(rect[0] + rect[2], map.width);
    EXPECT_LE(rect[1] + rect[3], map.height);
    free_terrain_parse(&p);
}

TEST(NormalMap, LargeTerrainsAreCappedAndCornersOutOfRangeAreLeftOut) {
    TerrainParse p = load_grid(300, 200);
    p.faces[0].corners[1].vertex = p.vertex_count + 5;  // must never be read
    p.faces[1].corners[2].normal = 0;
    TerrainNormalMap map;
    ASSERT_TRUE(build_terrain_normal_map(p.vertices, p.vertex_count, p.faces, p.face_count, 64, &map));
    EXPECT_EQ(map.width, 64);
    EXPECT_EQ(map.height, 64);
    ASSERT_EQ(map.texels.size(), 64u * 64u * NORMAL_MAP_TEXEL_BYTES);
    // Every texel holds a unit normal pointing up out of the ground.
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) {
            float n[3];
            texel_normal(map, i, j, n);
            EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, 0.02f);
            EXPECT_GE(n[1], 0.0f);
        }
    // Nothing to lay out: no map.
    EXPECT_FALSE(build_terrain_normal_map(p.vertices, p.vertex_count, p.faces, 0, 64, &map));
    EXPECT_EQ(map.width, 0);
    free_terrain_parse(&p);
}

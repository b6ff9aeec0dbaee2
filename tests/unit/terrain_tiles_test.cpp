// Tiles, pieces and the frustum test, without a window.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "files/terrain_file.h"
#include "state/session_state.h"
#include "state/world_state.h"
#include "terrain/terrain_mesh.h"
#include "terrain/terrain_tiles.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

// gluPerspective(fovy, aspect, near, far), column-major.
void perspective(double fovy, double aspect, double near, double far, double m[16]) {
    double f = 1.0 / std::tan(fovy * M_PI / 360.0);
    for (int i = 0; i < 16; ++i) m[i] = 0.0;
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (far + near) / (near - far);
    m[11] = -1.0;
    m[14] = 2.0 * far * near / (near - far);
}

void identity(double m[16]) {
    for (int i = 0; i < 16; ++i) m[i] = i % 5 == 0 ? 1.0 : 0.0;
}

bool meets(const TerrainFrustum& f, float x, float y, float z, float half) {
    float lo[3] = {x - half, y - half, z - half}, hi[3] = {x + half, y + half, z + half};
    return box_meets_frustum(&f, lo, hi);
}

void install_text(const std::string& text) {
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    ASSERT_TRUE(read_terrain_file(write_temp_file("tiles.obj", text).c_str(), &parse, error, sizeof error)) << error;
    install_terrain_mesh(&parse);
}

float flat(int, int) { return 0.0f; }

// Every piece is a run of whole pairs, the pieces follow each other in face
// order and cover every face, and each tile lists exactly its pieces.
void expect_pieces_cover_the_faces() {
    int next = 0;
    std::vector<int> listed(terrain_piece_count, 0);
    for (int p = 0; p < terrain_piece_count; ++p) {
        const TerrainPiece& piece = terrain_pieces[p];
        ASSERT_EQ(piece.first_face, next);
        ASSERT_EQ(piece.first_face % 2, 0);
        ASSERT_GT(piece.face_end, piece.first_face);
        ASSERT_TRUE(piece.face_end % 2 == 0 || piece.face_end == terrain_face_count);
        next = piece.face_end;
        for (int f = piece.first_face; f < piece.face_end; ++f) ASSERT_EQ(terrain_face_tile(f), piece.tile);
    }
    EXPECT_EQ(next, terrain_face_count);
    for (int t = 0; t < terrain_tile_count; ++t) {
        const TerrainTile& tile = terrain_tiles[t];
        for (int s = 0; s < tile.piece_count; ++s) {
            int p = terrain_tile_pieces[tile.first_slot + s];
            EXPECT_EQ(terrain_pieces[p].tile, t);
            ++listed[p];
        }
    }
    for (int count : listed) EXPECT_EQ(count, 1);
}

// Every corner of every face lies in its tile's box.
void expect_boxes_hold_their_faces() {
    for (int f = 0; f < terrain_face_count; ++f) {
        const TerrainTile& tile = terrain_tiles[terrain_face_tile(f)];
        for (const TerrainCorner& c : terrain_faces[f].corners) {
            const TerrainVertex& v = terrain_vertices[c.vertex - 1];
            const float p[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; ++k) {
                ASSERT_GE(p[k], tile.box_min[k]);
                ASSERT_LE(p[k], tile.box_max[k]);
            }
        }
    }
}

using TerrainTiles = ViewerTest;

}  // namespace

TEST(TerrainFrustum, BoxesJustInsideEachCornerMeetItAndJustOutsideDoNot) {
    double projection[16], modelview[16];
    perspective(90.0, 4.0 / 3.0, 1.0, 100.0, projection);
    identity(modelview);
    TerrainFrustum f;
    make_terrain_frustum(projection, modelview, 0.0, 0.0, &f);
    // At depth d the view reaches x = d * 4/3 and y = d (90 degrees vertically).
    for (double d : {1.0, 100.0}) {
        for (int sx : {-1, 1}) {
            for (int sy : {-1, 1}) {
                float x = (float)(sx * d * 4.0 / 3.0), y = (float)(sy * d), z = (float)-d;
                float in = 0.01f * (float)d;  // a box this far inside the corner, and one as far outside
                EXPECT_TRUE(meets(f, x - sx * 2 * in, y - sy * 2 * in, z + (d > 1 ? 2 * in : -2 * in), in))
                    << d << " " << sx << " " << sy;
                EXPECT_FALSE(meets(f, x + sx * 4 * in, y, z, in)) << "beyond the side at " << d;
                EXPECT_FALSE(meets(f, x * 0.5f, y + sy * 4 * in, z, in)) << "beyond top or bottom at " << d;
            }
        }
    }
    EXPECT_FALSE(meets(f, 0, 0, -0.5f, 0.2f));    // before the near plane
    EXPECT_FALSE(meets(f, 0, 0, -101, 0.5f));     // beyond the far plane
    EXPECT_FALSE(meets(f, 0, 0, 5, 1));           // behind the eye
    EXPECT_TRUE(meets(f, 0, 0, -1, 0.01f));       // on the near plane
    EXPECT_TRUE(meets(f, 0, 0, 0, 1000));         // holding the whole frustum
    // A box touching a side plane is kept: it may still light a pixel.
    float lo[3] = {40.0f, -1, -31}, hi[3] = {41.0f, 1, -30};
    EXPECT_TRUE(box_meets_frustum(&f, lo, hi));
    // Margins widen the sides only.
    TerrainFrustum wide;
    make_terrain_frustum(projection, modelview, 0.1, 0.1, &wide);
    EXPECT_TRUE(meets(wide, 10 * 4.0f / 3.0f + 0.5f, 0, -10, 0.1f));
    EXPECT_FALSE(meets(wide, 0, 0, -0.5f, 0.2f));
}

TEST(TerrainFrustum, TheModelviewMovesTheFrustumIntoObjectCoordinates) {
    double projection[16], modelview[16];
    perspective(90.0, 1.0, 0.1, 1000.0, projection);
    // The eye at x = 500 looking along +x: object (x, y, z) is seen at eye
    // coordinates (z, y, 500 - x).
    identity(modelview);
    modelview[0] = 0;
    modelview[2] = -1;  // object x goes to eye -z
    modelview[8] = 1;
    modelview[10] = 0;  // object z goes to eye x
    modelview[14] = 500;
    TerrainFrustum f;
    make_terrain_frustum(projection, modelview, 0.0, 0.0, &f);
    EXPECT_TRUE(meets(f, 600, 0, 0, 1));    // ahead along +x
    EXPECT_FALSE(meets(f, 400, 0, 0, 1));   // behind
    EXPECT_FALSE(meets(f, 600, 0, 150, 1)); // off to the side
}

TEST_F(TerrainTiles, GridsAreCutIntoSquaresOfWholePairsInFaceOrder) {
    install_text(grid_terrain_text(17, 17, flat));  // 16 x 16 cells, 512 faces
    ASSERT_TRUE(build_terrain_tiles(32));
    EXPECT_EQ(terrain_tile_count, 16);
    EXPECT_EQ(terrain_piece_count, 64);  // each tile holds 4 rows of 4 cells
    EXPECT_FLOAT_EQ(terrain_tile_size, 3.75f);  // the pair centres span 0.5 .. 15.5
    expect_pieces_cover_the_faces();
    expect_boxes_hold_their_faces();
    for (int t = 0; t < terrain_tile_count; ++t) {
        EXPECT_LE(terrain_tiles[t].box_max[0] - terrain_tiles[t].box_min[0], 4.0f);
        EXPECT_LE(terrain_tiles[t].box_max[2] - terrain_tiles[t].box_min[2], 4.0f);
        EXPECT_EQ(terrain_tiles[t].piece_count, 4);
    }

    // One tile for everything when asked for more faces than there are.
    ASSERT_TRUE(build_terrain_tiles(terrain_face_count + 2));
    EXPECT_EQ(terrain_tile_count, 1);
    EXPECT_EQ(terrain_piece_count, 1);
    free_terrain_tiles();
}

TEST_F(TerrainTiles, ScatteredFaceOrderFallsBackToRunsAndOddCountsKeepPairs) {
    // The grid's pairs in a scrambled order, plus one lone face at the end.
    std::string grid = grid_terrain_text(17, 17, flat);
    size_t first_face = grid.find("f ");
    std::vector<std::string> pairs;
    for (size_t at = first_face; at < grid.size();) {
        size_t end = grid.find('\n', grid.find('\n', at) + 1) + 1;
        pairs.push_back(grid.substr(at, end - at));
        at = end;
    }
    std::string text = grid.substr(0, first_face);
    for (size_t i = 0; i < pairs.size(); ++i) text += pairs[(i * 97) % pairs.size()];
    text += "f 1/1/1 18/18/18 2/2/2\n";
    install_text(text);
    ASSERT_EQ(terrain_face_count, 513);
    ASSERT_TRUE(build_terrain_tiles(32));
    EXPECT_EQ(terrain_tile_size, 0.0f);
    EXPECT_EQ(terrain_piece_count, terrain_tile_count);
    EXPECT_EQ(terrain_tile_count, 17);
    expect_pieces_cover_the_faces();
    expect_boxes_hold_their_faces();
    free_terrain_tiles();
}

TEST_F(TerrainTiles, ScatteredFaceOrderDrawnWithLevelsKeepsItsSquares) {
    install_text(scramble_face_pairs(grid_terrain_text(17, 17, flat), 97) + "f 1/1/1 18/18/18 2/2/2\n");
    ASSERT_EQ(terrain_face_count, 513);
    terrain_lod_forced = 1;
    terrain_lod_error = 1.0f;
    ASSERT_TRUE(build_terrain_tiles(32));
    EXPECT_GT(terrain_tile_size, 0.0f);
    EXPECT_EQ(terrain_piece_count, terrain_tile_count);
    ASSERT_NE(terrain_face_order, nullptr);
    // Every face at one place, pairs side by side, each piece its tile's only one.
    std::vector<int> seen(terrain_face_count, 0);
    for (int p = 0; p < terrain_piece_count; ++p) {
        const TerrainPiece& piece = terrain_pieces[p];
        EXPECT_EQ(terrain_tiles[piece.tile].piece_count, 1);
        EXPECT_GE(terrain_tiles[piece.tile].column, 0);
        for (int place = piece.first_face; place < piece.face_end; ++place) {
            int f = terrain_piece_face(place);
            ASSERT_GE(f, 0);
            ASSERT_LT(f, terrain_face_count);
            ++seen[f];
            EXPECT_EQ(terrain_face_tile(f), piece.tile);
            if (f % 2 == 0 && f + 1 < terrain_face_count) {
                ASSERT_LT(place + 1, piece.face_end);
                EXPECT_EQ(terrain_piece_face(place + 1), f + 1);
            }
            if (f == terrain_face_count - 1) {
                EXPECT_EQ(place + 1, piece.face_end) << "the lone face ends its tile";
            }
        }
    }
    for (int count : seen) ASSERT_EQ(count, 1);
    EXPECT_EQ(terrain_pieces[terrain_piece_count - 1].face_end, terrain_face_count);
    expect_boxes_hold_their_faces();
    for (int t = 0; t < terrain_tile_count; ++t) {
        EXPECT_LE(terrain_tiles[t].box_max[0] - terrain_tiles[t].box_min[0], 5.0f);
        EXPECT_LE(terrain_tiles[t].box_max[2] - terrain_tiles[t].box_min[2], 5.0f);
    }
    free_terrain_tiles();
    EXPECT_EQ(terrain_face_order, nullptr);
    EXPECT_EQ(terrain_pair_tile, nullptr);
}

TEST_F(TerrainTiles, AVertexMarksTheTilesOfEveryFaceUsingIt) {
    install_text(grid_terrain_text(17, 17, flat));
    ASSERT_TRUE(build_terrain_tiles(32));
    std::vector<unsigned char> marks(terrain_tile_count, 0);
    int corner = 4 * 17 + 4;  // (4, 4): where four tiles meet
    EXPECT_EQ(mark_terrain_tiles_for_vertices(&corner, 1, marks.data()), 4);
    int inside[] = {1 * 17 + 1, 2 * 17 + 2, -5, 999};  // one tile; the last two are no vertices
    std::vector<unsigned char> marks2(terrain_tile_count, 0);
    EXPECT_EQ(mark_terrain_tiles_for_vertices(inside, 4, marks2.data()), 1);
    EXPECT_EQ(marks2[terrain_face_tile(0)], 1);
    EXPECT_EQ(mark_terrain_tiles_for_vertices(inside, 2, marks2.data()), 0);  // already marked

    // A moved vertex widens the boxes it is refreshed into.
    terrain_vertices[corner].y = 50.0f;
    for (int t = 0; t < terrain_tile_count; ++t)
        if (marks[t]) refresh_terrain_tile_box(t);
    for (int t = 0; t < terrain_tile_count; ++t) EXPECT_EQ(terrain_tiles[t].box_max[1], marks[t] ? 50.0f : 0.0f);

    // A corner at infinity leaves its tile never culled.
    terrain_vertices[corner].y = INFINITY;
    refresh_terrain_tile_box(terrain_face_tile(terrain_vertices[corner].faces[0]));
    double projection[16], modelview[16];
    perspective(90.0, 1.0, 0.1, 10.0, projection);
    identity(modelview);
    modelview[13] = -1000;  // everything far below the view
    TerrainFrustum f;
    make_terrain_frustum(projection, modelview, 0.0, 0.0, &f);
    EXPECT_EQ(mark_visible_terrain_tiles(&f), 1);
    EXPECT_EQ(terrain_tile_visible[terrain_face_tile(terrain_vertices[corner].faces[0])], 1);
    free_terrain_tiles();
}

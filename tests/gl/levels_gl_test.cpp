// Levels of detail on real Mesa: a generated grid drawn with a bound of one
// pixel against exact drawing (the difference and the crack pixels), and an
// edit on a tile border shown by the very next frame.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "gl/upload.h"
#include "scene/stereo.h"
#include "state/app_state.h"
#include "state/level_shading_state.h"
#include "state/session_state.h"
#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/level_lists.h"
#include "terrain/level_shading.h"
#include "terrain/terrain_loader.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_tiles.h"
#include "tests/gl/gl_support.h"
#include "tests/support/level_pictures.h"
#include "tests/support/temp_files.h"

namespace {

constexpr int WIDTH = 1024;
constexpr int HEIGHT = 768;

// Long hills with small bumps on them, 40 units high over the 257 x 257 grid.
float hills(int x, int z) {
    return 30.0f * std::sin(x * 0.021f) * std::cos(z * 0.026f) + 10.0f * std::sin(x * 0.05f + z * 0.04f) +
           1.5f * std::sin(x * 0.31f) * std::sin(z * 0.23f);
}

// The hills under fine, rough relief that a coarse level cannot follow:
// sharp ridges a cell or two apart and a little noise at every vertex.
float rugged(int x, int z) {
    unsigned h = (unsigned)x * 374761393u + (unsigned)z * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    float noise = ((h ^ (h >> 16)) & 0xffff) / 65535.0f - 0.5f;
    return hills(x, z) + 0.3f * std::sin(x * 1.1f + z * 0.7f) * std::sin(z * 1.3f) + 0.4f * noise;
}

// The terrain of one frame as the frame draws it, read back.
std::vector<unsigned char> draw_terrain(const View& v) {
    look(v);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    if (stereo_on) draw_terrain_stereo();
    else draw_terrain_mono();
    glFinish();
    std::vector<unsigned char> pixels(WIDTH * HEIGHT * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    release_terrain_draw_fences(terrain_draws_done);
    stereo_on = 0;
    return pixels;
}

int tiles_at_levels() {
    int coarse = 0;
    for (int t = 0; t < terrain_tile_count; ++t) coarse += terrain_tile_level(t) > 0;
    return coarse;
}

class LevelsGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        stereo_separation = 2.0f;
        glClearColor(LEVEL_PICTURE_BACKGROUND[0] / 255.0f, LEVEL_PICTURE_BACKGROUND[1] / 255.0f,
                     LEVEL_PICTURE_BACKGROUND[2] / 255.0f, 1.0f);
        // The grid has 131072 faces: levels only because the bound is given.
        terrain_lod_forced = 1;
        terrain_tile_faces = 1024;
        load_startup_terrain(grid_terrain_text(257, 257, hills));
        testing::internal::CaptureStdout();
        wait_for_terrain_levels();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Done!\n");
    }
};

}  // namespace

TEST_F(LevelsGl, WithinOnePixelThePicturesMatchExactDrawingWithoutCracks) {
    ASSERT_GT(terrain_tile_count, 100);
    const View views[] = {
        {"from the edge, looking across", 128, 12, 262, 0.0f, -0.05f, 0},
        {"from high above", 128, 220, 300, 0.0f, -0.8f, 0},
        {"stereo, looking across", 40, 20, 250, 0.6f, -0.1f, 1},
    };
    for (const View& v : views) {
        // Each draw that calls a level counts once (the tests of the whole
        // program wait on that count): none drawn exactly, each eye with levels.
        long level_draws = terrain_level_draws;
        terrain_lod_error = 0.0f;
        std::vector<unsigned char> exact = draw_terrain(v);
        long exact_faces = terrain_level_faces_drawn;
        EXPECT_EQ(terrain_level_draws, level_draws) << v.name;
        terrain_lod_error = 1.0f;
        std::vector<unsigned char> levels = draw_terrain(v);
        EXPECT_EQ(terrain_level_draws, level_draws + (v.stereo ? 2 : 1)) << v.name;
        EXPECT_GT(tiles_at_levels(), 10) << v.name;
        EXPECT_LT(terrain_level_faces_drawn, exact_faces * 2 / 3) << v.name;
        LevelPictureDifference d = measure_level_picture(exact, levels);
        EXPECT_LE(d.mean, LEVEL_PICTURE_MEAN_LIMIT) << v.name;
        EXPECT_LE(d.cracks, WIDTH * HEIGHT / LEVEL_PICTURE_PIXELS_PER_CRACK) << v.name;
        printf("%s: %ld of %ld faces, mean difference %.3f / 255, %ld crack pixels\n", v.name,
               terrain_level_faces_drawn, exact_faces, d.mean, d.cracks);
    }
    // Wire frame shows the mesh itself.
    render_mode = RENDER_WIRE_FRAME;
    long level_draws = terrain_level_draws;
    draw_terrain(views[1]);
    EXPECT_EQ(terrain_level_faces_drawn, terrain_face_count);
    EXPECT_EQ(terrain_level_draws, level_draws);
    render_mode = RENDER_FILLED;
}

TEST_F(LevelsGl, CoarseLevelsOfRuggedGroundShadeAsTheGroundTheyStandFor) {
    load_startup_terrain(grid_terrain_text(257, 257, rugged));
    testing::internal::CaptureStdout();
    wait_for_terrain_levels();
    testing::internal::GetCapturedStdout();
    const View views[] = {
        {"high oblique", 128, 160, 330, 0.0f, -0.45f, 0},
        {"top-down", 128, 260, 128, 0.0f, -0.999f, 0},
    };
    for (LevelNode& node : level_nodes)
        for (TerrainLevel& level : node.levels) {
            EXPECT_EQ(level.normals.size(), 3 * level.normal_corners.size());  // for lighting at the corners
            EXPECT_FALSE(level.normals.empty());
        }
    // The shading alone (no drape): each view exact, with levels lit per
    // pixel from the ground's normals, then lit at their corners.
    glDisable(GL_TEXTURE_2D);
    for (const View& view : views) {
        terrain_lod_error = 0.0f;
        std::vector<unsigned char> exact = draw_terrain(view);
        terrain_lod_error = 1.0f;
        std::vector<unsigned char> per_pixel = draw_terrain(view);
        EXPECT_GT(tiles_at_levels(), 100) << view.name;
        level_shading_switch = 0;
        lay_out_level_shading();
        std::vector<unsigned char> corners = draw_terrain(view);
        level_shading_switch = 1;
        lay_out_level_shading();
        LevelPictureDifference now = measure_level_picture(exact, per_pixel);
        LevelPictureDifference before = measure_level_picture(exact, corners);
        double step_now = measure_shading_step(exact, per_pixel, WIDTH, HEIGHT);
        double step_before = measure_shading_step(exact, corners, WIDTH, HEIGHT);
        printf("rugged, %s: mean difference %.3f / 255 lit per pixel, %.3f at the corners; "
               "steps %.2f and %.2f\n", view.name, now.mean, before.mean, step_now, step_before);
        EXPECT_LE(now.mean, LEVEL_SHADING_MEAN_LIMIT) << view.name;
        EXPECT_LT(now.mean, before.mean * 0.7) << view.name;
        EXPECT_LT(step_now, step_before) << view.name;
        EXPECT_LE(now.cracks, WIDTH * HEIGHT / LEVEL_PICTURE_PIXELS_PER_CRACK) << view.name;
    }
    glEnable(GL_TEXTURE_2D);

    // An edit that turns a vertex's normal reaches the texture the levels are lit from.
    ASSERT_NE(level_normal_texture, 0u);
    int vertex = 100 * 257 + 60;
    terrain_vertices[vertex].nx = 1.0f, terrain_vertices[vertex].ny = 0.0f, terrain_vertices[vertex].nz = 0.0f;
    update_level_shading_for_vertices(&vertex, 1);
    std::vector<unsigned char> texels((size_t)level_normal_map.width * level_normal_map.height * 2);
    glBindTexture(GL_TEXTURE_2D, level_normal_texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    const unsigned char* texel = &texels[2 * (100 * (size_t)level_normal_map.width + 60)];
    EXPECT_EQ(texel[0], 255);  // x: all of it
    EXPECT_EQ(texel[1], 128);  // z: none
    const unsigned char* beside = &texels[2 * (100 * (size_t)level_normal_map.width + 70)];
    EXPECT_LT(std::abs(beside[0] - 128) + std::abs(beside[1] - 128), 100);  // the ground beside it still faces up
}

TEST_F(LevelsGl, AScrambledFaceOrderGetsTheTilesAndLevelsOfRowOrder) {
    const View across = {"from the edge, looking across", 128, 12, 262, 0.0f, -0.05f, 0};
    int row_tiles = terrain_tile_count;
    terrain_lod_error = 1.0f;
    draw_terrain(across);
    long row_faces = terrain_level_faces_drawn;

    // The same grid with its face pairs in another order: a tile must be a
    // square of the ground still, not a run of the file's faces spread over all of it.
    load_startup_terrain(scramble_face_pairs(grid_terrain_text(257, 257, hills), 9973));
    testing::internal::CaptureStdout();
    wait_for_terrain_levels();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Done!\n");
    EXPECT_EQ(terrain_tile_count, row_tiles);
    EXPECT_GT(terrain_tile_size, 0.0f);
    terrain_lod_error = 0.0f;
    std::vector<unsigned char> exact = draw_terrain(across);
    long exact_faces = terrain_level_faces_drawn;
    terrain_lod_error = 1.0f;
    std::vector<unsigned char> levels = draw_terrain(across);
    EXPECT_GT(tiles_at_levels(), 10);
    EXPECT_LE(terrain_level_faces_drawn, row_faces + row_faces / 10);
    EXPECT_LT(terrain_level_faces_drawn, exact_faces * 2 / 3);
    LevelPictureDifference d = measure_level_picture(exact, levels);
    EXPECT_LE(d.mean, LEVEL_PICTURE_MEAN_LIMIT);
    EXPECT_LE(d.cracks, WIDTH * HEIGHT / LEVEL_PICTURE_PIXELS_PER_CRACK);
    printf("scrambled: %ld faces (row order %ld) of %ld, mean difference %.3f / 255, %ld crack pixels\n",
           terrain_level_faces_drawn, row_faces, exact_faces, d.mean, d.cracks);
}

TEST_F(LevelsGl, ACachedTerrainHasItsLevelsAtOnceAndABadCacheIsBuiltAgain) {
    level_cache_min_faces = 0;
    const std::string dir = make_temp_dir(), dem = dir + "/hills.dem", cache = dir + "/hills.levels";
    put_file(dem, grid_terrain_text(129, 129, hills));
    auto load = [&] {
        testing::internal::CaptureStdout();
        load_terrain(dem.c_str(), small_texture_path().c_str(), 3, 4, 4, 0);
        return testing::internal::GetCapturedStdout();
    };
    auto built_again = [&](const char* why) {
        EXPECT_NE(load().find("Building detail levels..."), std::string::npos) << why;
        testing::internal::CaptureStdout();
        wait_for_terrain_levels();
        testing::internal::GetCapturedStdout();
    };
    const View far = {"far above", 64, 200, 250, 0.0f, -0.6f, 0};
    auto levels_at_once = [&](const char* why) {
        EXPECT_EQ(load().find("Building detail levels"), std::string::npos) << why;
        EXPECT_EQ(terrain_levels_pending, 0) << why;
        terrain_lod_error = 50.0f;
        draw_terrain(far);
        EXPECT_EQ(tiles_at_levels(), terrain_tile_count) << why << ": the first frame draws every tile coarse";
    };

    built_again("no cache yet");
    const std::string good = read_file(cache);
    ASSERT_GT(good.size(), 1000u);
    levels_at_once("a cache of these very bytes");

    // A corrupt cache is ignored, the levels built as without one and kept again.
    std::string corrupt = good;
    corrupt[corrupt.size() / 3] ^= 0x10;
    put_file(cache, corrupt);
    built_again("a corrupt cache");
    EXPECT_EQ(read_file(cache), good);
    levels_at_once("the cache written again");

    // A terrain changed since its cache was written is never drawn from it.
    put_file(dem, grid_terrain_text(129, 129, [](int x, int z) { return hills(x, z) + (x == 64 && z == 64 ? 30.0f : 0.0f); }));
    built_again("a stale cache");
    EXPECT_NE(read_file(cache), good);
    levels_at_once("the changed terrain's own cache");
}

TEST_F(LevelsGl, AnEditOnATileBorderShowsInTheNextFrame) {
    // A view from far enough that every tile is drawn coarse.
    const View far = {"far above", 128, 300, 420, 0.0f, -0.6f, 0};
    terrain_lod_error = 50.0f;
    std::vector<unsigned char> before = draw_terrain(far);
    ASSERT_EQ(tiles_at_levels(), terrain_tile_count);

    // Vertex (128, 128) lies where four tiles meet; raise it and the eight
    // around it into a tower.
    int vertex = 128 * 257 + 128, block[9], moved = 0;
    std::vector<int> touched;
    for (int k = 0; k < terrain_vertices[vertex].face_count; ++k) {
        int t = terrain_face_tile(terrain_vertices[vertex].faces[k]);
        if (std::find(touched.begin(), touched.end(), t) == touched.end()) touched.push_back(t);
    }
    ASSERT_GE(touched.size(), 2u);
    float ground = terrain_vertices[vertex].y;
    for (int dz = -1; dz <= 1; ++dz)
        for (int dx = -1; dx <= 1; ++dx) {
            block[moved] = vertex + dz * 257 + dx;
            terrain_vertices[block[moved++]].y += 80.0f;
        }
    testing::internal::CaptureStdout();
    rebuild_terrain_tiles_for_vertices(block, moved);
    testing::internal::GetCapturedStdout();
    // The touched tiles draw their faces, or levels rebuilt with the spike
    // if the threads were quick: either way the next frame shows it.
    std::vector<unsigned char> after = draw_terrain(far);

    // Pixels along the tower's axis, from a third of the way up to near its top.
    look(far);
    double model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const TerrainVertex& top = terrain_vertices[vertex];
    auto spike_pixels_changed = [&](const std::vector<unsigned char>& picture) {
        int changed = 0, seen = 0;
        for (float h = ground + 25.0f; h < top.y - 5.0f; h += 2.0f) {
            double x, y, z;
            if (!gluProject(top.x, h, top.z, model, projection, viewport, &x, &y, &z)) continue;
            if (x < 0 || y < 0 || x >= WIDTH || y >= HEIGHT) continue;
            size_t at = 3 * ((size_t)y * WIDTH + (size_t)x);
            ++seen;
            changed += picture[at] != before[at] || picture[at + 1] != before[at + 1] || picture[at + 2] != before[at + 2];
        }
        EXPECT_GT(seen, 20);
        return changed * 10 >= seen * 9;  // nine in ten at least
    };
    EXPECT_TRUE(spike_pixels_changed(after));

    // Rebuilt in the background, the levels keep the tower (its middle is on their border).
    wait_for_terrain_levels();
    std::vector<unsigned char> rebuilt = draw_terrain(far);
    EXPECT_EQ(tiles_at_levels(), terrain_tile_count);
    EXPECT_TRUE(spike_pixels_changed(rebuilt));
    terrain_lod_error = 0.0f;
    EXPECT_TRUE(spike_pixels_changed(draw_terrain(far)));
}

// Levels from the cache: a tile holds its own faces' lists only while the
// frame draws it with them, stands in its finest level until they are
// compiled, and gives them up once the camera has gone.
TEST_F(LevelsGl, OnlyTilesDrawnWithTheirOwnFacesKeepTheirLists) {
    level_cache_min_faces = 0;
    terrain_exact_face_budget = 0;  // none kept beyond what a frame draws
    const std::string dir = make_temp_dir(), dem = dir + "/hills.dem";
    put_file(dem, grid_terrain_text(257, 257, hills));
    for (int load = 0; load < 2; ++load) {  // the first writes the cache, the second reads it
        testing::internal::CaptureStdout();
        load_terrain(dem.c_str(), small_texture_path().c_str(), 3, 4, 4, 0);
        wait_for_terrain_levels();
        testing::internal::GetCapturedStdout();
    }
    ASSERT_TRUE(terrain_exact_on_demand);
    int unstood = 0;  // tiles no level stands in for: always held
    for (int t = 0; t < terrain_tile_count; ++t) unstood += !terrain_tile_has_level(t);
    EXPECT_LE(terrain_exact_tiles_held(), unstood + 1) << "only those and the tail's";
    auto held_only_where_drawn = [](const char* name) {
        int own = 0;
        for (int t = 0; t < terrain_tile_count; ++t) {
            bool drawn_own = terrain_tile_visible[t] && terrain_tile_level(t) == 0;
            own += drawn_own;
            if (drawn_own) {
                EXPECT_EQ(terrain_tile_exact[t], EXACT_READY) << name << ", tile " << t;
            }
            if (terrain_tile_exact[t] == EXACT_READY) {
                EXPECT_TRUE(terrain_tile_level(t) == 0 || !terrain_tile_has_level(t)) << name << ", tile " << t;
            }
        }
        return own;
    };
    const View near = {"low over the south edge", 128, 12, 262, 0.0f, -0.05f, 0};
    const View beside = {"low over the west edge", -6, 12, 128, 1.5708f, -0.05f, 0};
    auto go_far = [] {  // every tile drawn coarse
        terrain_lod_error = 50.0f;
        draw_terrain({"far above", 128, 300, 420, 0.0f, -0.6f, 0});
        terrain_lod_error = 1.0f;
    };

    // Not waited for, the tiles drawn with their faces stand in a level: no
    // crack, and they hold nothing until the next frame after the compile.
    terrain_lod_error = 1.0f;
    terrain_exact_waits = 1;
    std::vector<unsigned char> waited = draw_terrain(beside);
    go_far();
    ASSERT_EQ(terrain_exact_tiles_held(), unstood);
    terrain_exact_waits = 0;
    std::vector<unsigned char> standing_in = draw_terrain(beside);
    EXPECT_GT(terrain_levels_pending, 0) << "own faces asked for";
    EXPECT_EQ(terrain_exact_tiles_held(), unstood);
    LevelPictureDifference d = measure_level_picture(waited, standing_in);
    EXPECT_LE(d.cracks, WIDTH * HEIGHT / LEVEL_PICTURE_PIXELS_PER_CRACK);
    EXPECT_GT(d.mean, 0.0);
    wait_for_terrain_levels();
    EXPECT_EQ(draw_terrain(beside), waited) << "compiled, the faces are drawn";
    EXPECT_GT(held_only_where_drawn(beside.name), 0);

    // Waited for, the picture near the camera is exact drawing's.
    terrain_exact_waits = 1;
    terrain_lod_error = 0.0f;
    std::vector<unsigned char> exact = draw_terrain(near);
    terrain_lod_error = 1.0f;
    std::vector<unsigned char> levels = draw_terrain(near);
    EXPECT_GT(held_only_where_drawn(near.name), 0);
    // The bottom rows show the ground nearest the camera, its own faces.
    auto near_same = [](const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
        const size_t bytes = HEIGHT / 12 * WIDTH * 3;
        return std::equal(a.begin(), a.begin() + bytes, b.begin());
    };
    EXPECT_TRUE(near_same(exact, levels));
    EXPECT_LE(measure_level_picture(exact, levels).mean, LEVEL_PICTURE_MEAN_LIMIT);

    // Gone once the camera moves away, and back when it returns.
    go_far();
    EXPECT_EQ(terrain_exact_tiles_held(), unstood);
    EXPECT_EQ(draw_terrain(near), levels);

    // An exaggeration step and the normals switch compile what is held again.
    for (auto change : {increase_exaggeration, toggle_average_normals}) {
        testing::internal::CaptureStdout();
        change();
        testing::internal::GetCapturedStdout();
        terrain_lod_error = 0.0f;
        exact = draw_terrain(near);
        terrain_lod_error = 1.0f;
        levels = draw_terrain(near);
        EXPECT_TRUE(near_same(exact, levels));
        d = measure_level_picture(exact, levels);
        EXPECT_LE(d.mean, LEVEL_PICTURE_MEAN_LIMIT);
        EXPECT_LE(d.cracks, WIDTH * HEIGHT / LEVEL_PICTURE_PIXELS_PER_CRACK);
    }

    // The tiles let their bases go once their groups were built: an edit
    // still gets every group under it built again.
    std::vector<size_t> had(level_nodes.size());
    for (size_t n = 0; n < level_nodes.size(); ++n) had[n] = level_nodes[n].levels.size();
    int vertex = 128 * 257 + 128;
    terrain_vertices[vertex].y += 40.0f;
    testing::internal::CaptureStdout();
    rebuild_terrain_tiles_for_vertices(&vertex, 1);
    wait_for_terrain_levels();
    testing::internal::GetCapturedStdout();
    for (size_t n = 0; n < level_nodes.size(); ++n) {
        EXPECT_EQ(level_nodes[n].levels.empty(), had[n] == 0) << "node " << n;
        EXPECT_EQ(level_nodes[n].drawable, had[n] > 0) << "node " << n;
    }
}

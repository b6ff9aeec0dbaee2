// The terrain in tiles on real Mesa: what the frame draws with culled tiles
// against the whole terrain in one list, the partial rebuild of a vertex on
// a tile border, and what the drawing leaves current.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "frame/frame.h"
#include "gl/list_worker.h"
#include "gl/upload.h"
#include "scene/sky.h"
#include "scene/stereo.h"
#include "state/app_state.h"
#include "state/frame_state.h"
#include "state/mouse_state.h"
#include "state/session_state.h"
#include "state/sky_state.h"
#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "terrain/terrain_tiles.h"
#include "tests/gl/gl_support.h"
#include "tests/support/temp_files.h"

// Last: X11 names (None, Bool) would clash with the test framework's own.
#include <GL/glx.h>

namespace {

constexpr int WIDTH = 1024;
constexpr int HEIGHT = 768;

float rolling(int x, int z) { return 6.0f * std::sin(x * 0.09f) * std::cos(z * 0.07f) + 2.0f * std::sin(x * 0.5f + z * 0.3f); }

// The scene pass as the frame draws it: terrain (mono or anaglyph), sky box, markers.
std::vector<unsigned char> draw_scene(const View& v) {
    look(v);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    if (stereo_on) draw_terrain_stereo();
    else draw_terrain_mono();
    if (panoramic_sky_on) {
        glPushMatrix();
        glDisable(GL_LIGHTING);
        glCallList(skybox_list);
        glEnable(GL_LIGHTING);
        glPopMatrix();
    }
    draw_pick_markers();
    glFinish();
    std::vector<unsigned char> pixels(WIDTH * HEIGHT * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    stereo_on = 0;
    return pixels;
}

void rebuild_with_tiles_of(int faces) {
    terrain_tile_faces = faces;
    testing::internal::CaptureStdout();
    rebuild_terrain_list(false);
    testing::internal::GetCapturedStdout();
}

long differing_bytes(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    long n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
}

// Draws every view with the terrain as one tile (its one list holds every
// face, as the terrain was drawn before tiles) and with tiles of
// `tile_faces`, and expects the same pixels. Returns the pieces drawn per view.
std::vector<long> expect_views_alike(const std::vector<View>& views, int tile_faces, const char* setting) {
    std::vector<std::vector<unsigned char>> one_list;
    rebuild_with_tiles_of(terrain_face_count + 2);
    EXPECT_EQ(terrain_piece_count, 1);
    for (const View& v : views) one_list.push_back(draw_scene(v));
    rebuild_with_tiles_of(tile_faces);
    EXPECT_GT(terrain_tile_count, 8);
    std::vector<long> drawn;
    for (size_t i = 0; i < views.size(); ++i) {
        std::vector<unsigned char> tiled = draw_scene(views[i]);
        drawn.push_back(terrain_pieces_drawn);
        EXPECT_EQ(differing_bytes(tiled, one_list[i]), 0) << setting << ", " << views[i].name;
    }
    terrain_tile_faces = TERRAIN_TILE_FACES;
    return drawn;
}

// Each case starts from the frame's start-up state: the window's projection,
// the light, the fixed GL state, every switch as at start.
using TilesGl = GlTest;

// The 257 x 257 test grid spans x and z 0..256.
const std::vector<View> GRID_VIEWS = {
    {"inside, looking across", 128, 14, 128, 0.0f, -0.25f, 0},
    {"inside, looking along a diagonal", 128, 14, 128, 0.8f, -0.1f, 0},
    {"inside, low, looking back", 100, 6, 60, 3.0f, 0.0f, 0},
    {"at the edge, looking out", 128, 14, 258, (float)M_PI, -0.25f, 0},
    {"at the edge, looking in", 128, 14, 258, 0.0f, -0.25f, 0},
    {"high above", 128, 400, 600, 0.0f, -0.7f, 0},
    {"straight down", 128, 90, 128, 0.3f, -1000.0f, 0},
    {"stereo, inside", 128, 14, 128, 0.4f, -0.25f, 1},
};

}  // namespace

TEST_F(TilesGl, CulledTilesDrawTheOneListPicturesInEveryMode) {
    load_startup_terrain(grid_terrain_text(257, 257, rolling));
    std::vector<long> drawn = expect_views_alike(GRID_VIEWS, 512, "filled, textured");
    EXPECT_LT(drawn[0], terrain_piece_count * 2 / 3);  // culling leaves out what is behind
    EXPECT_EQ(drawn[3], 0);                             // nothing in view

    render_mode = RENDER_WIRE_FRAME;
    expect_views_alike(GRID_VIEWS, 512, "wire frame");
    render_mode = RENDER_POINT_CLOUD;
    expect_views_alike(GRID_VIEWS, 512, "point cloud");
    render_mode = RENDER_FILLED;

    toggle_textures();
    testing::internal::CaptureStdout();
    toggle_average_normals();
    testing::internal::GetCapturedStdout();
    expect_views_alike(GRID_VIEWS, 512, "untextured, flat normals");
    average_normals = 1;
    toggle_textures();

    terrain_primitive = PRIMITIVE_QUADS;
    expect_views_alike(GRID_VIEWS, 512, "quads");
    terrain_primitive = PRIMITIVE_TRIANGLES;

    toggle_fog();
    stereo_separation = 6.0f;
    stereo_angle = 4.0f;
    expect_views_alike(GRID_VIEWS, 512, "fog, wide stereo");
}

TEST_F(TilesGl, DefaultWorldWithSkyAndFogLooksTheSameInTiles) {
    struct stat info;
    ASSERT_EQ(stat("world/Default.obj", &info), 0) << "the GL tests run in the build directory";
    load_startup_terrain(read_file("world/Default.obj"));
    char previous[1024];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir("world"), 0);
    testing::internal::CaptureStdout();
    build_sky_box();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(chdir(previous), 0);
    panoramic_sky_on = 1;
    const std::vector<View> views = {
        {"start", 0, 60, 0, 0.0f, 0.0f, 0},
        {"start, turned", 0, 60, 0, 2.2f, -0.25f, 0},
        {"south edge, looking out", 0, 60, 160, (float)M_PI, 0.0f, 0},
        {"over the mountains", -200, 900, -1500, 0.5f, -0.5f, 0},
        {"straight down", 0, 1500, -1400, 0.0f, -1000.0f, 0},
        {"stereo", 0, 60, 0, -0.3f, -0.1f, 1},
    };
    expect_views_alike(views, 2048, "sky");
    toggle_fog();
    expect_views_alike(views, 2048, "sky and fog");
}

TEST_F(TilesGl, EditingAVertexOnATileBorderRecompilesBothTiles) {
    load_startup_terrain(grid_terrain_text(33, 33, rolling));
    rebuild_with_tiles_of(128);  // 8 x 8 cells a tile
    ASSERT_GT(terrain_tile_count, 4);
    // Vertex (16, 16) is a corner of the faces of up to four tiles.
    int vertex = 16 * 33 + 16;
    std::vector<int> tiles;
    for (int k = 0; k < terrain_vertices[vertex].face_count; ++k) {
        int t = terrain_face_tile(terrain_vertices[vertex].faces[k]);
        bool known = false;
        for (int seen : tiles) known = known || seen == t;
        if (!known) tiles.push_back(t);
    }
    ASSERT_GE(tiles.size(), 2u);
    unsigned list_before = terrain_list;

    View above = {"above the edit", 16, 30, 40, 0.0f, -0.6f, 0};
    terrain_vertices[vertex].y += 9.0f;
    testing::internal::CaptureStdout();
    rebuild_terrain_tiles_for_vertices(&vertex, 1);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "\n1.000000\n");  // every rebuild after a change shows the read-out
    EXPECT_EQ(terrain_tiles_compiled, (int)tiles.size());
    EXPECT_EQ(terrain_list, list_before);
    for (int t : tiles) EXPECT_GE(terrain_tiles[t].box_max[1], terrain_vertices[vertex].y) << "tile " << t;
    std::vector<unsigned char> partial = draw_scene(above);

    // The picture equals the one of the whole edited terrain compiled afresh.
    rebuild_with_tiles_of(terrain_face_count + 2);
    EXPECT_EQ(differing_bytes(draw_scene(above), partial), 0);

    int outside[] = {-1, terrain_vertex_count};
    rebuild_with_tiles_of(128);
    testing::internal::CaptureStdout();
    rebuild_terrain_tiles_for_vertices(outside, 2, false);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(terrain_tiles_compiled, 0);
}

TEST_F(TilesGl, CulledDrawingLeavesTheNormalAndTexCoordOfTheWholeTerrain) {
    load_startup_terrain(grid_terrain_text(33, 33, rolling));
    rebuild_with_tiles_of(128);
    // Looking down on the first cells only: the tile with the last face is culled.
    View corner = {"over the first cells", 2, 3, 2, 0.0f, -1000.0f, 0};
    look(corner);
    glNormal3f(9, 9, 9);
    glTexCoord2f(9, 9);
    glCallList(terrain_list);
    float normal[4], texcoord[4];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texcoord);

    glNormal3f(9, 9, 9);
    glTexCoord2f(9, 9);
    draw_visible_terrain();
    EXPECT_GT(terrain_pieces_drawn, 0);
    EXPECT_FALSE(terrain_tile_visible[terrain_face_tile(terrain_face_count - 1)]);
    float culled_normal[4], culled_texcoord[4];
    glGetFloatv(GL_CURRENT_NORMAL, culled_normal);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, culled_texcoord);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(culled_normal[k], normal[k]);
    for (int k = 0; k < 2; ++k) EXPECT_EQ(culled_texcoord[k], texcoord[k]);
}

// Mesa can free a flushed batch's fence while a rasteriser thread is still
// signalling it, which freezes the viewer; each batch's fence is held until
// the caller knows the GL is past it, and the frame releases them after its swap.
TEST_F(TilesGl, BatchFencesAreHeldUntilReleasedThroughTheirDraw) {
    load_startup_terrain(grid_terrain_text(257, 257, rolling));
    rebuild_with_tiles_of(512);
    release_terrain_draw_fences(terrain_draws_done);
    const View& above = GRID_VIEWS[5];
    draw_scene(above);
    long first_draw = terrain_draws_done;
    int first_held = terrain_draw_fences_held();
    EXPECT_GE(first_held, 2) << "131072 faces, batches of 32768, and " << terrain_pieces_drawn << " of "
                             << terrain_piece_count << " pieces drawn";
    draw_scene(above);
    EXPECT_EQ(terrain_draw_fences_held(), 2 * first_held);
    release_terrain_draw_fences(first_draw);
    EXPECT_EQ(terrain_draw_fences_held(), first_held);
    look(above);
    draw_frame();
    EXPECT_EQ(terrain_draw_fences_held(), 0);
}

TEST_F(TilesGl, ExaggerationRecompilesEveryTileInPlace) {
    load_startup_terrain(grid_terrain_text(65, 65, rolling));
    rebuild_with_tiles_of(256);
    int tiles = terrain_tile_count;
    unsigned list = terrain_list, pieces = terrain_piece_lists;
    testing::internal::CaptureStdout();
    increase_exaggeration();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(terrain_tile_count, tiles);
    EXPECT_EQ(terrain_tiles_compiled, tiles);
    EXPECT_EQ(terrain_list, list);
    EXPECT_EQ(terrain_piece_lists, pieces);
    float highest = -INFINITY, top = -INFINITY;
    for (int i = 0; i < terrain_vertex_count; ++i) highest = std::max(highest, terrain_vertices[i].y);
    for (int t = 0; t < terrain_tile_count; ++t) top = std::max(top, terrain_tiles[t].box_max[1]);
    EXPECT_EQ(top, highest);
    View across = {"across the raised grid", 32, 12, 70, 0.2f, -0.3f, 0};
    std::vector<unsigned char> raised = draw_scene(across);
    rebuild_with_tiles_of(terrain_face_count + 2);
    EXPECT_EQ(differing_bytes(draw_scene(across), raised), 0);
}

TEST_F(TilesGl, AListCompiledOnTheSecondContextDrawsInTheWindow) {
    GLXContext window_context = glXGetCurrentContext(), used[2] = {nullptr, nullptr};
    GLuint list = glGenLists(1);
    run_on_both_gl_contexts([&](int part) {
        used[part] = glXGetCurrentContext();
        if (part == 0) return;
        glNewList(list, GL_COMPILE);
        glBegin(GL_QUADS);
        glVertex2f(-0.5f, -0.5f);
        glVertex2f(0.5f, -0.5f);
        glVertex2f(0.5f, 0.5f);
        glVertex2f(-0.5f, 0.5f);
        glEnd();
        glEndList();
    });
    EXPECT_EQ(used[0], window_context);
    EXPECT_NE(used[1], window_context);  // no quiet fall-back to one thread
    EXPECT_NE(used[1], nullptr);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1.0f, 0.0f, 0.0f);
    glCallList(list);
    glFinish();
    unsigned char centre[3], corner[3];
    glReadPixels(WIDTH / 2, HEIGHT / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, centre);
    glReadPixels(2, 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, corner);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    glDeleteLists(list, 1);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 0);
    EXPECT_EQ(corner[0], 0);
}

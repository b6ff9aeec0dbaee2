// End to end: "-q" draws face pairs as quads from the first rebuild on; the start-up list is always triangles.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/viewer.h"

namespace {

constexpr int TERRAIN_ENTRY = 1, INCREASE_EXAGGERATION = 3;

// Rewrites the second face of each pair of the world's start-up terrain starting from its second corner: the same
// triangle, but a pair drawn as one quad (first face's corner 0, second's corner 1, first's corners 1 and 2) now
// repeats a corner and covers only the first face, so half of every cell goes missing.
bool rotate_second_faces(const std::string& dir) {
    std::ifstream in(dir + "/Default.obj");
    std::ostringstream out;
    long faces = 0;
    for (std::string line; std::getline(in, line); out << line << '\n') {
        if (line.rfind("f ", 0) != 0 || faces++ % 2 == 0) continue;
        std::istringstream corners(line.substr(2));
        std::string a, b, c;
        if (!(corners >> a >> b >> c)) return false;
        line = "f " + b + " " + c + " " + a;
    }
    std::ofstream(dir + "/Default.obj", std::ios::trunc) << out.str();
    return faces > 0 && faces % 2 == 0;
}

// Share of the lower half left black: sky seen through holes in the land.
double land_hole_share(const Screenshot& s) {
    return fraction_near_colour(s, 0, s.height / 2, s.width, s.height, 0, 0, 0, 4);
}

// Starts a viewer on that terrain and keeps a shot before and after the first rebuild.
void shoot_first_rebuild(Viewer& v, Screenshot* before, Screenshot* after) {
    ASSERT_TRUE(rotate_second_faces(v.dir));
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    *before = v.shot();
    ASSERT_TRUE(v.choose_menu_entry({TERRAIN_ENTRY, INCREASE_EXAGGERATION}));
    ASSERT_TRUE(v.wait_for_console("\n1.250000\n"));
    *after = v.shot();
}

}  // namespace

TEST(StartUp, QuadOptionShowsTheTriangleListFirst) {
    Screenshot plain, quads, rebuilt;
    {
        Viewer v;
        ASSERT_TRUE(rotate_second_faces(v.dir));
        ASSERT_TRUE(v.start("\n"));
        ASSERT_TRUE(v.open_window());
        plain = v.shot();
    }
    Viewer v({"-q"});
    ASSERT_NO_FATAL_FAILURE(shoot_first_rebuild(v, &quads, &rebuilt));
    keep_shot(quads, "startup-q");
    // The whole land at start, as without the option; the holes come with the first rebuild.
    EXPECT_LT(fraction_differing(plain, quads, 8), 0.01);
    EXPECT_LT(land_hole_share(quads), 0.01);
    EXPECT_GT(land_hole_share(rebuilt), 0.3);
}

TEST(Menus, QuadOptionRebuildsWholeCellsAtTheFirstRebuild) {
    Screenshot before[2], after[2];
    for (int quads = 0; quads < 2; ++quads) {
        Viewer v(quads ? std::vector<std::string>{"-q"} : std::vector<std::string>{});
        ASSERT_NO_FATAL_FAILURE(shoot_first_rebuild(v, &before[quads], &after[quads]));
    }
    keep_shot(after[1], "quads-rebuilt");
    // Alike until the rebuild; then each face pair of this terrain makes one quad that misses half its cell.
    EXPECT_LT(fraction_differing(before[0], before[1], 8), 0.01);
    EXPECT_LT(land_hole_share(after[0]), 0.01);
    // Half of the land, the first face of every pair, stays.
    EXPECT_GT(land_hole_share(after[1]), 0.3);
    EXPECT_LT(land_hole_share(after[1]), 0.7);
    EXPECT_GT(fraction_differing(after[0], after[1], 24), 0.2);
}

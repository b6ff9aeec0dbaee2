// Levels of detail without a window: the choice of level at the corners of
// the rule, and the levels of a tile (ground covered, skirts that close the
// gaps between neighbours, errors that bound the real vertices' distance).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "files/terrain_file.h"
#include "state/session_state.h"
#include "state/world_state.h"
#include "terrain/terrain_levels.h"
#include "terrain/terrain_mesh.h"
#include "terrain/terrain_tiles.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

using TileLevels = ViewerTest;
using LevelOptions = ViewerTest;

void install_text(const std::string& text) {
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    ASSERT_TRUE(read_terrain_file(write_temp_file("levels.obj", text).c_str(), &parse, error, sizeof error)) << error;
    install_terrain_mesh(&parse);
}

float bumps(int x, int z) { return 4.0f * std::sin(x * 0.3f) * std::cos(z * 0.2f) + 0.5f * std::sin(x * 1.7f + z); }

struct P {
    double x, y, z;
};

P corner_position(int corner) {
    const TerrainVertex& v = terrain_vertices[terrain_faces[corner / 3].corners[corner % 3].vertex - 1];
    return {v.x, v.y, v.z};
}

P sub(P a, P b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P cross(P a, P b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

double segment_distance(P p, P a, P b) {
    P ab = sub(b, a);
    double t = std::clamp(dot(sub(p, a), ab) / dot(ab, ab), 0.0, 1.0);
    P q = {a.x + t * ab.x, a.y + t * ab.y, a.z + t * ab.z};
    return std::sqrt(dot(sub(p, q), sub(p, q)));
}

// Distance from p to triangle abc: to its plane when p projects inside it,
// else to the nearest edge.
double triangle_distance(P p, P a, P b, P c) {
    P n = cross(sub(b, a), sub(c, a));
    double area = std::sqrt(dot(n, n));
    if (area > 0) {
        double height = dot(sub(p, a), n) / area;
        P q = {p.x - height * n.x / area, p.y - height * n.y / area, p.z - height * n.z / area};
        bool inside = dot(cross(sub(b, a), sub(q, a)), n) >= 0 && dot(cross(sub(c, b), sub(q, b)), n) >= 0 &&
                      dot(cross(sub(a, c), sub(q, c)), n) >= 0;
        if (inside) return std::fabs(height);
    }
    return std::min({segment_distance(p, a, b), segment_distance(p, b, c), segment_distance(p, c, a)});
}

// Vertex-number edges used by exactly one triangle of `corners`.
std::set<std::pair<int, int>> border_edges(const std::vector<int>& corners) {
    std::map<std::pair<int, int>, int> uses;
    for (size_t t = 0; t + 2 < corners.size(); t += 3) {
        for (int k = 0; k < 3; ++k) {
            int a = terrain_faces[corners[t + k] / 3].corners[corners[t + k] % 3].vertex;
            int b = terrain_faces[corners[t + (k + 1) % 3] / 3].corners[corners[t + (k + 1) % 3] % 3].vertex;
            ++uses[{std::min(a, b), std::max(a, b)}];
        }
    }
    std::set<std::pair<int, int>> once;
    for (const auto& [edge, count] : uses)
        if (count == 1) once.insert(edge);
    return once;
}

}  // namespace

TEST(LevelChoice, TheCoarsestLevelWithinTheBoundAtTheTilesDistance) {
    // 0.5, 2 and 8 units; 384 pixels a unit at distance 1 (90 degrees, 768 rows).
    const double errors[] = {0.5, 2.0, 8.0};
    EXPECT_EQ(choose_terrain_level(errors, 3, 100.0, 384.0, 1.0), 0);  // 0.5 unit is 1.9 pixels
    EXPECT_EQ(choose_terrain_level(errors, 3, 191.9, 384.0, 1.0), 0);  // just over 1 pixel
    EXPECT_EQ(choose_terrain_level(errors, 3, 192.0, 384.0, 1.0), 1);  // exactly 1 pixel is within
    EXPECT_EQ(choose_terrain_level(errors, 3, 767.9, 384.0, 1.0), 1);
    EXPECT_EQ(choose_terrain_level(errors, 3, 768.0, 384.0, 1.0), 2);
    EXPECT_EQ(choose_terrain_level(errors, 3, 1e9, 384.0, 1.0), 3);
    EXPECT_EQ(choose_terrain_level(errors, 3, INFINITY, 384.0, 1.0), 3);
    EXPECT_EQ(choose_terrain_level(errors, 3, 768.0, 384.0, 4.0), 3);   // a looser bound, coarser levels
    EXPECT_EQ(choose_terrain_level(errors, 3, 768.0, 768.0, 1.0), 1);   // a taller window, finer ones
    // A bound of 0 draws the faces, as does a tile the eye is inside.
    EXPECT_EQ(choose_terrain_level(errors, 3, 1e9, 384.0, 0.0), 0);
    EXPECT_EQ(choose_terrain_level(errors, 3, 0.0, 384.0, 1.0), 0);
    EXPECT_EQ(choose_terrain_level(errors, 0, 1e9, 384.0, 1.0), 0);
    // A coarser level that happens to fit better still wins.
    const double uneven[] = {2.0, 1.0, 8.0};
    EXPECT_EQ(choose_terrain_level(uneven, 3, 384.0, 384.0, 1.0), 2);
}

TEST(LevelChoice, ViewDistanceAndErrorComeFromTheFramesMatrices) {
    // gluPerspective(90, 4/3, 0.1, 50000) and a view from (10, 20, 30) turned a quarter about y.
    double projection[16] = {0}, modelview[16] = {0};
    projection[0] = 0.75;
    projection[5] = 1.0;
    projection[10] = -50000.1 / 49999.9;
    projection[11] = -1.0;
    projection[14] = -2.0 * 50000.0 * 0.1 / 49999.9;
    modelview[2] = 1.0, modelview[5] = 1.0, modelview[8] = -1.0, modelview[15] = 1.0;  // R: x' = -z, z' = x
    const double eye[3] = {10, 20, 30};
    for (int row = 0; row < 3; ++row)  // t = -R eye
        modelview[12 + row] = -(modelview[row] * eye[0] + modelview[4 + row] * eye[1] + modelview[8 + row] * eye[2]);
    LevelView view;
    ASSERT_TRUE(make_level_view(projection, modelview, 768, &view));
    EXPECT_NEAR(view.pixels_per_unit, 384.0, 1e-9);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(view.eye[k], eye[k], 1e-9);
    double orthographic[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    EXPECT_FALSE(make_level_view(orthographic, modelview, 768, &view));

    const float lo[3] = {0, 0, 0}, hi[3] = {10, 10, 10};
    const double inside[3] = {5, 5, 5}, beside[3] = {13, 5, 14};
    EXPECT_EQ(distance_to_box(inside, lo, hi), 0.0);
    EXPECT_DOUBLE_EQ(distance_to_box(beside, lo, hi), 5.0);

    TerrainLevel level;
    level.error_across = 3.0f;
    level.error_up = 4.0f;
    EXPECT_DOUBLE_EQ(terrain_level_error(level, 1.0f), 5.0);
    EXPECT_DOUBLE_EQ(terrain_level_error(level, 0.0f), 3.0);   // flattened: only the part across is left
    EXPECT_DOUBLE_EQ(terrain_level_error(level, 2.0f), std::sqrt(9.0 + 64.0));
}

TEST_F(LevelOptions, TheCommandLinesBoundAndTheSizeThatUsesLevels) {
    const char* viewer[] = {"kestrolane", "--lod-error", "2.5", "-q"};
    ViewerOptions options;
    char error[160] = "";
    ASSERT_TRUE(parse_viewer_options(4, viewer, &options, error, sizeof error));
    EXPECT_TRUE(options.quads && options.lod_given);
    EXPECT_EQ(options.lod_error, 2.5f);
    const char* joined[] = {"kestrolane", "--lod-error=0"};
    ASSERT_TRUE(parse_viewer_options(2, joined, &options, error, sizeof error));
    EXPECT_TRUE(options.lod_given && !options.quads);
    EXPECT_EQ(options.lod_error, 0.0f);
    const char* plain[] = {"kestrolane"};
    ASSERT_TRUE(parse_viewer_options(1, plain, &options, error, sizeof error));
    EXPECT_FALSE(options.lod_given);
    EXPECT_EQ(options.lod_error, LOD_DEFAULT_ERROR);
    for (const char* bad : {"-1", "px", "nan", "inf", "1e9"}) {
        const char* wrong[] = {"kestrolane", "--lod-error", bad};
        EXPECT_FALSE(parse_viewer_options(3, wrong, &options, error, sizeof error)) << bad;
        EXPECT_NE(std::string(error).find("pixels"), std::string::npos);
    }
    const char* missing[] = {"kestrolane", "--lod-error"};
    EXPECT_FALSE(parse_viewer_options(2, missing, &options, error, sizeof error));

    // Terrains up to half a million faces draw exactly unless the bound is given.
    terrain_face_count = LOD_DEFAULT_MIN_FACES;
    terrain_lod_error = 1.0f;
    terrain_lod_forced = 0;
    EXPECT_FALSE(terrain_levels_wanted());
    terrain_face_count = LOD_DEFAULT_MIN_FACES + 1;
    EXPECT_TRUE(terrain_levels_wanted());
    terrain_lod_error = 0.0f;
    EXPECT_FALSE(terrain_levels_wanted());
    terrain_lod_error = 1.0f;
    terrain_lod_forced = 1;
    terrain_face_count = 2;
    EXPECT_TRUE(terrain_levels_wanted());
}

int vertex_of(int corner) { return terrain_faces[corner / 3].corners[corner % 3].vertex; }

// The ground area the triangles cover, and how many face down (folded over).
std::pair<double, int> footprint(const std::vector<int>& corners) {
    double area = 0.0;
    int folded = 0;
    for (size_t t = 0; t + 2 < corners.size(); t += 3) {
        P a = corner_position(corners[t]), b = corner_position(corners[t + 1]), c = corner_position(corners[t + 2]);
        double turn = (b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x);
        area += std::fabs(turn) / 2;
        folded += turn > 0;
    }
    return {area, folded};
}

// The height of the level's border as drawn where it passes over (x, z), or NAN.
double border_height(const TerrainLevel& level, double x, double z) {
    for (const auto& [a, b] : border_edges(level.corners)) {
        const TerrainVertex &p = terrain_vertices[a - 1], &q = terrain_vertices[b - 1];
        double dx = q.x - p.x, dz = q.z - p.z, along = ((x - p.x) * dx + (z - p.z) * dz) / (dx * dx + dz * dz);
        double off = std::fabs((x - p.x) * dz - (z - p.z) * dx) / std::sqrt(dx * dx + dz * dz);
        if (along >= -1e-9 && along <= 1 + 1e-9 && off < 1e-6) return p.y + along * (q.y - p.y) + level.lift_up;
    }
    return NAN;
}

TEST_F(TileLevels, ThinBordersWithSkirtsThatCloseEveryGapAndBoundEveryRealVertex) {
    install_text(grid_terrain_text(65, 65, bumps));
    ASSERT_TRUE(build_terrain_tiles(2048));
    ASSERT_EQ(terrain_tile_count, 4);
    std::vector<TerrainLevel> bases(4);
    std::vector<std::vector<TerrainLevel>> tile_levels(4);
    std::vector<std::set<int>> tile_vertices(4);
    for (int t = 0; t < terrain_tile_count; ++t) {
        TileMeshCopy copy;
        copy_tile_mesh(t, &copy);
        ASSERT_EQ(copy.corner.size(), 33u * 33u);  // shared corners once each
        copy.ground_min[0] = copy.ground_min[1] = 0.0f;
        copy.ground_max[0] = copy.ground_max[1] = 64.0f;
        build_tile_levels(copy, 1.0f, &tile_levels[t], &bases[t]);
        const std::vector<TerrainLevel>& levels = tile_levels[t];
        ASSERT_GE(levels.size(), 2u) << "tile " << t;
        std::vector<int> faces;
        for (size_t i = 0; i < copy.triangles.size(); ++i) faces.push_back(copy.corner[copy.triangles[i]]);
        for (int id : faces) tile_vertices[t].insert(vertex_of(id));
        // The base keeps the tile's border edges: its group's members meet.
        EXPECT_EQ(border_edges(bases[t].corners), border_edges(faces)) << "tile " << t;
        EXPECT_LE(bases[t].corners.size(), faces.size() * 3 / 10);
        size_t finer = bases[t].corners.size();
        std::set<int> on_terrain_edge;
        for (int v : tile_vertices[t]) {
            const TerrainVertex& p = terrain_vertices[v - 1];
            if (p.x == 0 || p.x == 64 || p.z == 0 || p.z == 64) on_terrain_edge.insert(v);
        }
        for (size_t l = 0; l < levels.size(); ++l) {
            const TerrainLevel& level = levels[l];
            EXPECT_LE(level.corners.size(), finer * 4 / 5) << "level " << l + 1;
            finer = level.corners.size();
            // The tile's ground is covered once, corners and all: nothing folds over or is cut off.
            std::pair<double, int> cover = footprint(level.corners);
            EXPECT_NEAR(cover.first, 32.0 * 32.0, 1e-6) << "tile " << t << " level " << l + 1;
            EXPECT_EQ(cover.second, 0);
            // The terrain's own edge keeps every vertex; the border between tiles is thinned.
            std::set<int> kept;
            for (int id : level.corners) kept.insert(vertex_of(id));
            for (int v : on_terrain_edge) EXPECT_TRUE(kept.count(v)) << "vertex " << v << " level " << l + 1;
            EXPECT_LT(border_edges(level.corners).size(), border_edges(faces).size());
            EXPECT_EQ(level.skirt.size(), 3 * border_edges(level.corners).size());
            EXPECT_GT(level.lift_up, 0.0f);
            // The error bounds every real vertex's distance from the surface as drawn (raised).
            double worst = 0.0;
            for (size_t v = 0; v < copy.corner.size(); ++v) {
                P p = corner_position(copy.corner[v]);
                p.y -= level.lift_up;
                double nearest = INFINITY;
                for (size_t c = 0; c + 2 < level.corners.size(); c += 3)
                    nearest = std::min(nearest, triangle_distance(p, corner_position(level.corners[c]),
                                                                  corner_position(level.corners[c + 1]),
                                                                  corner_position(level.corners[c + 2])));
                worst = std::max(worst, nearest);
            }
            EXPECT_LE(worst, terrain_level_error(level, 1.0f) * (1 + 1e-6)) << "tile " << t << " level " << l + 1;
            EXPECT_GT(worst, terrain_level_error(level, 1.0f) * 0.5);  // and near it, not far above
        }
    }
    // Along every border between two tiles, at any two levels (0: the real
    // faces), where the coarser border is the higher its skirt reaches down
    // to the finer one: seen from the finer side (the nearer, as the levels
    // are chosen), no gap shows. (A lower coarser border is hidden behind
    // the finer ground from that side.)
    for (int t = 0; t < 4; ++t)
        for (int u = t + 1; u < 4; ++u)
            for (int v : tile_vertices[t]) {
                if (!tile_vertices[u].count(v)) continue;
                const TerrainVertex& p = terrain_vertices[v - 1];
                for (size_t i = 0; i <= tile_levels[t].size(); ++i)
                    for (size_t j = 0; j <= tile_levels[u].size(); ++j) {
                        double hi = i ? border_height(tile_levels[t][i - 1], p.x, p.z) : p.y;
                        double lo = j ? border_height(tile_levels[u][j - 1], p.x, p.z) : p.y;
                        ASSERT_TRUE(std::isfinite(hi) && std::isfinite(lo)) << "vertex " << v;
                        const TerrainLevel* higher = i ? &tile_levels[t][i - 1] : nullptr;
                        size_t higher_level = i, lower_level = j;
                        if (hi < lo) {
                            std::swap(hi, lo);
                            std::swap(higher_level, lower_level);
                            higher = j ? &tile_levels[u][j - 1] : nullptr;
                        }
                        if (higher_level < lower_level) continue;
                        double depth = higher ? higher->skirt_up + higher->lift_up : 0.0;
                        EXPECT_LE(hi - depth, lo + 1e-5) << "tiles " << t << ", " << u << " levels " << i << ", " << j
                                                         << " at vertex " << v;
                    }
            }

    // The four bases as one group: their shared borders go, the outer one stays.
    std::vector<const std::vector<int>*> members;
    std::vector<int> all_faces;
    for (const TerrainLevel& base : bases) members.push_back(&base.corners);
    for (int f = 0; f < terrain_face_count; ++f)
        for (int k = 0; k < 3; ++k) all_faces.push_back(3 * f + k);
    TileMeshCopy group;
    copy_group_mesh(members, &group);
    EXPECT_EQ(group.corner.size(), group.position.size() / 3);
    std::vector<TerrainLevel> group_levels;
    TerrainLevel group_base;
    build_tile_levels(group, 1.0f, &group_levels, &group_base);
    ASSERT_GE(group_levels.size(), 2u);
    EXPECT_EQ(border_edges(group_base.corners), border_edges(all_faces));
    for (const TerrainLevel& level : group_levels) EXPECT_NEAR(footprint(level.corners).first, 64.0 * 64.0, 1e-6);
    EXPECT_LT(group_levels.back().corners.size(), tile_levels[0].back().corners.size());  // coarser than any one tile can go
    // Heights that are not finite give no levels; nor do too few faces.
    TileMeshCopy copy;
    copy_tile_mesh(0, &copy);
    copy.position[4] = NAN;
    copy.finite = false;
    std::vector<TerrainLevel> levels(1);
    TerrainLevel base;
    base.corners = {0, 1, 2};
    build_tile_levels(copy, 1.0f, &levels, &base);
    EXPECT_TRUE(levels.empty());
    EXPECT_TRUE(base.corners.empty());
    install_text(grid_terrain_text(2, 2, bumps));
    ASSERT_TRUE(build_terrain_tiles(2048));
    copy_tile_mesh(0, &copy);
    build_tile_levels(copy, 1.0f, &levels, &base);
    EXPECT_TRUE(levels.empty());
}

// Cliffs and terraces: real vertices stand far above or below the coarse
// triangles, several cells away across the ground, and the coarse triangles
// are large. Each level's error must be what the nearest point of its
// triangles gives every real vertex (found here by trying them all): the
// search may skip only what cannot be nearer.
namespace {

float cliffs(int x, int z) {
    return 12.0f * std::floor((x + 0.5f * z) / 6.0f) + 3.0f * std::sin(x * 1.3f) * std::cos(z * 0.9f);
}

P segment_point(P p, P a, P b) {
    P ab = sub(b, a);
    double t = std::clamp(dot(sub(p, a), ab) / dot(ab, ab), 0.0, 1.0);
    return {a.x + t * ab.x, a.y + t * ab.y, a.z + t * ab.z};
}

// The point of triangle abc nearest p (as triangle_distance measures it).
P triangle_point(P p, P a, P b, P c) {
    P n = cross(sub(b, a), sub(c, a));
    double area = std::sqrt(dot(n, n));
    if (area > 0) {
        double height = dot(sub(p, a), n) / area;
        P q = {p.x - height * n.x / area, p.y - height * n.y / area, p.z - height * n.z / area};
        if (dot(cross(sub(b, a), sub(q, a)), n) >= 0 && dot(cross(sub(c, b), sub(q, b)), n) >= 0 &&
            dot(cross(sub(a, c), sub(q, c)), n) >= 0)
            return q;
    }
    P best = segment_point(p, a, b);
    for (P q : {segment_point(p, b, c), segment_point(p, c, a)})
        if (dot(sub(p, q), sub(p, q)) < dot(sub(p, best), sub(p, best))) best = q;
    return best;
}

}  // namespace

TEST_F(TileLevels, CliffsGiveEachLevelTheErrorOfTheNearestPoints) {
    install_text(grid_terrain_text(41, 41, cliffs));
    ASSERT_TRUE(build_terrain_tiles(4096));
    ASSERT_EQ(terrain_tile_count, 1);
    TileMeshCopy copy;
    copy_tile_mesh(0, &copy);
    copy.ground_min[0] = copy.ground_min[1] = 0.0f;
    copy.ground_max[0] = copy.ground_max[1] = 40.0f;
    std::vector<TerrainLevel> levels;
    TerrainLevel base;
    build_tile_levels(copy, 1.0f, &levels, &base);
    ASSERT_GE(levels.size(), 2u);
    std::vector<const TerrainLevel*> measured = {&base};
    for (const TerrainLevel& level : levels) measured.push_back(&level);
    for (size_t l = 0; l < measured.size(); ++l) {
        const TerrainLevel& level = *measured[l];
        // The largest offsets across and up and down from the level where it lies (not raised).
        double across = 0.0, above = 0.0, below = 0.0;
        for (size_t v = 0; v < copy.corner.size(); ++v) {
            P p = corner_position(copy.corner[v]), nearest = {INFINITY, INFINITY, INFINITY};
            for (size_t c = 0; c + 2 < level.corners.size(); c += 3) {
                P q = triangle_point(p, corner_position(level.corners[c]), corner_position(level.corners[c + 1]),
                                     corner_position(level.corners[c + 2]));
                if (dot(sub(p, q), sub(p, q)) < dot(sub(p, nearest), sub(p, nearest))) nearest = q;
            }
            P d = sub(p, nearest);
            across = std::max(across, std::sqrt(d.x * d.x + d.z * d.z));
            above = std::max(above, d.y);
            below = std::max(below, -d.y);
        }
        const double close = 1e-4 * (1.0 + across + above + below);
        EXPECT_NEAR(level.error_across, across, close) << "level " << l;
        // Raised by its lift, the level passes that much nearer the vertices above it.
        EXPECT_LE(level.lift_up, above + close) << "level " << l;
        EXPECT_NEAR(level.error_up, std::max(above - level.lift_up, below + level.lift_up), close) << "level " << l;
    }
}

// The levels' cache file: what a load may take from it and what it must ignore.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "files/content_hash.h"
#include "files/terrain_file.h"
#include "state/session_state.h"
#include "state/world_state.h"
#include "terrain/level_cache.h"
#include "terrain/terrain_levels.h"
#include "terrain/terrain_mesh.h"
#include "terrain/terrain_tiles.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

float ridges(int x, int z) { return 6.0f * std::sin(x * 0.2f) * std::cos(z * 0.15f) + std::sin(x * 1.3f + z * 0.7f); }

// A 49 x 49 grid in tiles of 512 faces with its levels built, the cache
// named in a fresh folder as a load of its .dem would name it.
class LevelCache : public ViewerTest {
protected:
    std::vector<LevelNode> built;
    std::string path;

    void SetUp() override {
        ViewerTest::SetUp();
        std::string text = grid_terrain_text(49, 49, ridges);
        TerrainParse parse;
        char error[TERRAIN_ERROR_SIZE];
        std::string dem = write_temp_file("grid.dem", text);
        ASSERT_TRUE(read_terrain_file(dem.c_str(), &parse, error, sizeof error)) << error;
        install_terrain_mesh(&parse);
        terrain_lod_forced = 1;
        terrain_tile_faces = 512;
        level_cache_min_faces = 0;
        ASSERT_TRUE(build_terrain_tiles(terrain_tile_faces));
        ASSERT_TRUE(make_level_cache_path(dem.c_str(), level_cache_path, sizeof level_cache_path));
        path = level_cache_path;
        level_cache_terrain_size = text.size();
        level_cache_terrain_hash = hash_content(text.data(), text.size());
        level_cache_revision = terrain_revision;
        make_level_nodes();
        ASSERT_GT(level_nodes.size(), (size_t)terrain_tile_count);  // groups too
        build_level_nodes_now();
        built = level_nodes;
        char why[256];
        ASSERT_TRUE(write_level_cache(why, sizeof why)) << why;
    }

    // Reads the cache into nodes made afresh; expects every level either as
    // built or (when the read fails) none at all.
    bool read_back() {
        make_level_nodes();
        bool read = read_level_cache();
        for (size_t n = 0; n < level_nodes.size(); ++n) {
            const LevelNode& node = level_nodes[n];
            if (!read) {
                EXPECT_TRUE(node.levels.empty() && node.base.corners.empty()) << "node " << n;
                continue;
            }
            EXPECT_EQ(node.base.corners, built[n].base.corners) << "node " << n;
            EXPECT_EQ(node.base.error_up, built[n].base.error_up) << "node " << n;
            EXPECT_EQ(node.levels.size(), built[n].levels.size()) << "node " << n;
            for (size_t l = 0; l < node.levels.size() && l < built[n].levels.size(); ++l) {
                const TerrainLevel &a = node.levels[l], &b = built[n].levels[l];
                EXPECT_TRUE(a.corners == b.corners && a.skirt == b.skirt && a.error_across == b.error_across &&
                            a.error_up == b.error_up && a.skirt_up == b.skirt_up && a.lift_up == b.lift_up &&
                            a.normal_corners == b.normal_corners && a.normals == b.normals && !a.normals.empty())
                    << "node " << n << " level " << l;
            }
        }
        return read;
    }

    std::string bytes() { return read_file(path); }
    void put(const std::string& content) {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(content.data(), 1, content.size(), f);
        fclose(f);
    }
};

}  // namespace

TEST(LevelCachePath, ADemKeepsItsLevelsBesideItUnderANameNoMenuLists) {
    char out[64];
    EXPECT_TRUE(make_level_cache_path("./DEM/Alps.dem", out, sizeof out));
    EXPECT_STREQ(out, "./DEM/Alps.levels");
    EXPECT_EQ(strstr(out, ".dem"), nullptr);  // the DEM menu lists names holding ".dem"
    EXPECT_FALSE(make_level_cache_path("Default.obj", out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(make_level_cache_path(".dem", out, sizeof out));
    EXPECT_FALSE(make_level_cache_path("./DEM/Alps.dem", out, 12));  // does not fit
    EXPECT_FALSE(make_level_cache_path("./DEM/Alps.dem.dem", out, sizeof out));  // "Alps.dem.levels" would be listed
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(make_level_cache_path("./my.dem.d/Alps.dem", out, sizeof out));  // a folder's name is no matter
    EXPECT_STREQ(out, "./my.dem.d/Alps.levels");
}

TEST_F(LevelCache, TheLevelsComeBackAsBuilt) {
    EXPECT_TRUE(read_back());
    size_t with_levels = 0;
    for (const LevelNode& node : built) with_levels += !node.levels.empty();
    EXPECT_GT(with_levels, (size_t)terrain_tile_count);
}

TEST_F(LevelCache, AStaleCacheIsIgnored) {
    // Other bytes of the terrain file, another size of it, other tiles.
    ++level_cache_terrain_hash;
    EXPECT_FALSE(read_back());
    --level_cache_terrain_hash;
    ++level_cache_terrain_size;
    EXPECT_FALSE(read_back());
    --level_cache_terrain_size;
    terrain_tile_faces = 1024;
    EXPECT_FALSE(read_back());
    terrain_tile_faces = 512;
    EXPECT_TRUE(read_back());
    // Another version of the levels.
    std::string other = bytes();
    other[8] ^= 0x40;
    put(other);
    EXPECT_FALSE(read_back());
}

TEST_F(LevelCache, ACorruptOrForeignCacheIsIgnored) {
    const std::string good = bytes();
    ASSERT_GT(good.size(), 200u);
    std::vector<std::string> bad = {
        "",                                                  // empty
        good.substr(0, good.size() - 1),                     // cut short
        good.substr(0, 40),                                  // cut inside the header
        good + "x",                                          // a byte too many
        grid_terrain_text(3, 3, ridges),                     // a terrain, not a cache
        std::string("KLLEVELS") + std::string(good.size() - 8, '\xff'),  // a magic and nothing of sense
    };
    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x01;  // one bit in the levels
    bad.push_back(flipped);
    for (size_t i = 0; i < bad.size(); ++i) {
        put(bad[i]);
        EXPECT_FALSE(read_back()) << "case " << i;
    }
    // A corner beyond the mesh, with the payload's hash made to match: the
    // ids are checked as well as the sums.
    std::string beyond = good;
    const size_t header = 56, first_corner = header + 4 * 4 + 4;
    int32_t id = 3 * terrain_face_count;
    memcpy(&beyond[first_corner], &id, 4);
    uint64_t hash = hash_content(beyond.data() + header, beyond.size() - header - 8);
    memcpy(&beyond[beyond.size() - 8], &hash, 8);
    put(beyond);
    EXPECT_FALSE(read_back());
    // None at all.
    remove(path.c_str());
    EXPECT_FALSE(read_back());
    put(good);
    EXPECT_TRUE(read_back());
}

// Fuzz target: the terrain reader, as every load runs it (open, count, check,
// parse, normals, derived settings); then what an accepted terrain is cut
// into: tiles, their levels of detail and a group of their bases.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "files/terrain_file.h"
#include "fuzz/fuzz_support.h"
#include "state/world_state.h"
#include "terrain/terrain_levels.h"
#include "terrain/terrain_mesh.h"
#include "terrain/terrain_tiles.h"

namespace {

// Every level of the installed mesh's tiles names corners of its faces, and
// so does a group made of the tiles' bases.
void build_every_level() {
    if (!build_terrain_tiles(8)) return;
    std::vector<std::vector<int>> bases;
    auto check = [](const std::vector<TerrainLevel>& levels) {
        for (const TerrainLevel& level : levels) {
            fuzz_require(level.corners.size() % 3 == 0, "a level is whole triangles");
            for (int id : level.corners)
                fuzz_require(id >= 0 && id < 3 * terrain_face_count, "a level's corner is a corner of a face");
            fuzz_require(level.error_across >= 0 && level.error_up >= 0, "a level's error is a distance");
            fuzz_require(level.skirt.size() % 3 == 0, "a level's skirts are whole edges");
            for (int id : level.skirt)
                fuzz_require(id >= 0 && id < 3 * terrain_face_count, "a skirt's corner is a corner of a face");
            fuzz_require(level.skirt_up >= 0 && level.lift_up >= 0, "skirts hang down, levels rise");
        }
    };
    for (int t = 0; t < terrain_tile_count; ++t) {
        TileMeshCopy copy;
        copy_tile_mesh(t, &copy);
        std::vector<TerrainLevel> levels;
        TerrainLevel base;
        build_tile_levels(copy, 1.0f, &levels, &base);
        check(levels);
        check({base});
        if (!base.corners.empty()) bases.push_back(base.corners);
    }
    std::vector<const std::vector<int>*> members;
    for (const std::vector<int>& level : bases) members.push_back(&level);
    TileMeshCopy group;
    copy_group_mesh(members, &group);
    std::vector<TerrainLevel> levels;
    TerrainLevel base;
    build_tile_levels(group, 1.0f, &levels, &base);
    check(levels);
    free_terrain_tiles();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = write_fuzz_file("input.dem", data, size);
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    if (!read_terrain_file(path.c_str(), &parse, error, sizeof error)) {
        fuzz_require(parse.vertices == nullptr && parse.faces == nullptr, "a refused terrain leaves nothing behind");
        return 0;
    }
    fuzz_require(parse.vertex_count > 0 && parse.face_count > 0, "a loaded terrain has vertices and faces");
    for (int i = 0; i < parse.vertex_count; ++i) {
        const TerrainVertex& v = parse.vertices[i];
        fuzz_require(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.s) &&
                         std::isfinite(v.t),
                     "every loaded coordinate is finite");
        fuzz_require(v.face_count >= 0 && v.face_count <= MAX_VERTEX_FACES, "face lists hold at most 8 faces");
    }
    for (int f = 0; f < parse.face_count; ++f) {
        for (const TerrainCorner& c : parse.faces[f].corners) {
            fuzz_require(c.vertex >= 1 && c.vertex <= parse.vertex_count && c.texcoord >= 1 &&
                             c.texcoord <= parse.vertex_count && c.normal >= 1 && c.normal <= parse.vertex_count,
                         "every corner names a vertex of the file");
        }
    }
    derive_terrain_settings(parse.min_x, parse.max_x, parse.min_y, parse.max_y);
    install_terrain_mesh(&parse);
    build_every_level();
    return 0;
}

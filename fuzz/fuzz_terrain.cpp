// Fuzz target: the terrain reader, as every load runs it (open, count, check,
// parse, normals, derived settings).
#include <cmath>
#include <cstdint>
#include <string>

#include "files/terrain_file.h"
#include "fuzz/fuzz_support.h"
#include "terrain/terrain_mesh.h"

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
    free_terrain_parse(&parse);
    return 0;
}

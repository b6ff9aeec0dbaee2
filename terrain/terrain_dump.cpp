// Writing the current terrain to dump.dem in the loader's own format.
#include "terrain/terrain_dump.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "files/regular_file.h"
#include "state/terrain_state.h"

bool write_terrain_dump(const char* path, char* error, size_t error_size) {
    WholeFile out;
    if (!begin_whole_file(path, &out, error, error_size)) return false;
    FILE* file = out.file;
    // A large buffer: a big terrain is hundreds of megabytes of short lines.
    static char buffer[1 << 20];
    setvbuf(file, buffer, _IOFBF, sizeof buffer);
    fprintf(file, "# Kestrolane DEM\n");
    const int n = terrain_vertex_count;
    for (int i = 0; i < n; ++i) {
        const TerrainVertex& v = terrain_vertices[i];
        fprintf(file, "v %f %f %f\n", v.x, v.y, v.z);
    }
    for (int i = 0; i < n; ++i) fprintf(file, "vt %f %f\n", terrain_vertices[i].s, terrain_vertices[i].t);
    for (int i = 0; i < n; ++i) {
        const TerrainVertex& v = terrain_vertices[i];
        fprintf(file, "vn %f %f %f\n", v.nx, v.ny, v.nz);
    }
    for (int i = 0; i < terrain_face_count; ++i) {
        const TerrainCorner* c = terrain_faces[i].corners;
        fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", c[0].vertex, c[0].texcoord, c[0].normal, c[1].vertex,
                c[1].texcoord, c[1].normal, c[2].vertex, c[2].texcoord, c[2].normal);
    }
    return finish_whole_file(&out, error, error_size);
}

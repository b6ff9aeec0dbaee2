// Writing the current terrain to dump.dem in the loader's own format.
#include "terrain/terrain_dump.h"

#include "files/terrain_writer.h"
#include "state/terrain_state.h"

bool write_terrain_dump(const char* path, char* error, size_t error_size) {
    return write_terrain_mesh(path, terrain_vertices, terrain_vertex_count, terrain_faces, terrain_face_count,
                              nullptr, error, error_size);
}

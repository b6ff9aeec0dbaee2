// Writing the current terrain to dump.dem in the loader's own format.
#include "terrain/terrain_dump.h"

#include <cstdio>

#include "files/terrain_writer.h"
#include "state/frame_state.h"
#include "state/overlay_state.h"
#include "state/world_state.h"

constexpr int DUMP_ERROR_SIZE = 512;  // bytes of a message naming the file

namespace {

// "218.2 MB", or the bytes of a small file.
void describe_size(long long bytes, char* text, size_t size) {
    if (bytes >= 1000000) snprintf(text, size, "%.1f MB", bytes / 1e6);
    else snprintf(text, size, "%lld bytes", bytes);
}

bool write_dump(const char* path, long long* size, char* error, size_t error_size) {
    return write_terrain_mesh(path, terrain_vertices, terrain_vertex_count, terrain_faces, terrain_face_count, size,
                              error, error_size);
}

}  // namespace

bool write_terrain_dump(const char* path, char* error, size_t error_size) {
    return write_dump(path, nullptr, error, error_size);
}

bool save_terrain_dump() {
    // A large terrain takes a while: the window says so before it stops.
    show_message("Saving %s...", DEM_DUMP_NAME);
    show_frame();
    char error[DUMP_ERROR_SIZE], size_text[32];
    long long size = 0;
    if (!write_dump(DEM_DUMP_NAME, &size, error, sizeof error)) {
        report_problem("%s", error);
        show_frame();
        return false;
    }
    describe_size(size, size_text, sizeof size_text);
    printf("Saved %s: %s\n", DEM_DUMP_NAME, size_text);
    fflush(stdout);
    show_message("Saved %s: %s", DEM_DUMP_NAME, size_text);
    show_frame();
    return true;
}

// Loading a terrain file into the global mesh and compiling its display list.
#include "terrain/terrain_loader.h"

#include <cstdio>
#include <cstring>

#include "files/content_hash.h"
#include "files/terrain_file.h"
#include "files/terrain_normals.h"
#include "state/app_state.h"
#include "state/frame_state.h"
#include "state/overlay_state.h"
#include "state/session_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/level_cache.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_mesh.h"
#include "terrain/texture.h"

constexpr int DEM_PATH_SIZE = 200;  // bytes of a chosen file's path: a folder and an asset name

namespace {

// At start-up a refusal ends the program with `fatal_text`; later it is
// reported and only costs the new file.
bool refuse_terrain(int is_reload, const char* fatal_text, const char* error) {
    if (!is_reload) fatal_error("%s", fatal_text);
    report_problem("%s", error);
    return false;
}

bool is_face_limit_message(const char* error) {
    return strstr(error, "MORE THAN 8 faces") != nullptr || strstr(error, "This is the error") != nullptr;
}

}  // namespace

bool load_terrain(const char* path, const char* texture_path, int components, int width, int height,
                  int is_reload) {
    char fatal_text[TERRAIN_ERROR_SIZE + 64], error[TERRAIN_ERROR_SIZE];
    if (is_reload) {
        show_message("Loading DEM...");
        show_frame();
    }

    // The old mesh stays until the new file has been read in full.
    TerrainRead read;
    if (!begin_terrain_read(path, &read, error, sizeof error)) {
        snprintf(fatal_text, sizeof fatal_text, "\n%s...Quitting.\n", error);
        return refuse_terrain(is_reload, fatal_text, error);
    }
    printf("\nVertices:%d Polygons:%d\n\n", read.vertex_count, read.face_count);
    fflush(stdout);
    if (is_reload) {
        show_message("Loading DEM...%d Polygons", read.face_count);
        show_frame();
    }
    if (!is_reload) load_startup_texture(texture_path, components, width, height);

    printf("Parsing OBJ file...");
    fflush(stdout);
    TerrainParse parse;
    bool parsed = parse_terrain_read(&read, &parse, error, sizeof error);
    // A large terrain's levels may be kept beside it, for these very bytes.
    char cache_path[LEVEL_CACHE_PATH_SIZE];
    bool cached = parsed && read.face_count > level_cache_min_faces &&
                  make_level_cache_path(path, cache_path, sizeof cache_path);
    auto release = [&read](size_t at, size_t bytes) {
        release_terrain_text_pages(&read.text, read.text.data + at, read.text.data + at + bytes);
    };
    unsigned long long terrain_hash = cached ? hash_content(read.text.data, read.text.size, release) : 0;
    unsigned long long terrain_size = read.text.size;
    end_terrain_read(&read);
    if (!parsed) {
        if (is_face_limit_message(error)) snprintf(fatal_text, sizeof fatal_text, "\n%s", error);
        else snprintf(fatal_text, sizeof fatal_text, "\n%s...Quitting.\n", error);
        return refuse_terrain(is_reload, fatal_text, error);
    }
    printf("Done!\n");

    TerrainSettings s = derive_terrain_settings(parse.min_x, parse.max_x, parse.min_y, parse.max_y);
    printf("Terrain Width Range is %d...Setting Movement Speed to %d\n", s.width_range, s.move_speed);
    printf("Terrain Height Range is %d...Setting Movement Speed to %d\n", s.height_range, s.height_step);

    printf("Calculating Average Vertex Normals...");
    fflush(stdout);
    average_vertex_normals(parse.vertices, parse.vertex_count, parse.faces, parse.face_count);
    printf("Done!\n");

    release_terrain_lists();
    install_terrain_mesh(&parse);
    apply_terrain_settings();
    if (cached) {
        memcpy(level_cache_path, cache_path, sizeof level_cache_path);
        level_cache_terrain_size = terrain_size;
        level_cache_terrain_hash = terrain_hash;
        level_cache_revision = terrain_revision;
    }

    printf("Building Display Lists...");
    fflush(stdout);
    rebuild_terrain_list(false);
    if (is_reload) hide_message();
    printf("Done!\n");
    // Built in the background: the frames draw every face until they are ready.
    if (terrain_levels_pending > 0) {
        printf("Building detail levels...");
        terrain_levels_announced = 1;
    }
    fflush(stdout);
    return true;
}

bool load_dem(const char* name) {
    char path[DEM_PATH_SIZE];
    snprintf(path, sizeof path, "./DEM/%s", name);
    return load_terrain(path, texture_file_name, texture_components, texture_width, texture_height, 1);
}

bool load_chosen_drape(const char* directory, const char* name) {
    char path[DEM_PATH_SIZE];
    snprintf(path, sizeof path, "%s%s", directory, name);  // load_drape reads "." + path
    return load_drape(path);
}

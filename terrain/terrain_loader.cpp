// Loading a terrain file into the global mesh and compiling its display list.
#include "terrain/terrain_loader.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstring>

#include "app/console.h"
#include "render/frame.h"
#include "state/overlay_state.h"
#include "state/terrain_draw_state.h"
#include "state/terrain_state.h"
#include "state/texture_state.h"
#include "terrain/normals.h"
#include "terrain/terrain_file.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_mesh.h"
#include "terrain/texture.h"

namespace {

// At start-up a refusal ends the program; later it only costs the new file.
bool refuse_terrain(int is_reload, const char* console_text, const char* message) {
    if (!is_reload) fatal_error("%s", console_text);
    printf("%s\n", console_text);
    fflush(stdout);
    show_message("%s", message);
    return false;
}

bool is_face_limit_message(const char* error) {
    return strstr(error, "MORE THAN 8 faces") != nullptr || strstr(error, "This is the error") != nullptr;
}

}  // namespace

bool load_terrain(const char* path, const char* texture_path, int components, int width, int height,
                  int is_reload) {
    char console_text[TERRAIN_ERROR_SIZE + 64], error[TERRAIN_ERROR_SIZE];
    if (is_reload) {
        show_message("Loading DEM...");
        draw_frame();
    }

    // The old mesh stays until the new file has been read in full.
    TerrainText text;
    if (!open_terrain_text(path, &text)) {
        snprintf(console_text, sizeof console_text, "\nDEM file not found %s...Quitting.\n", path);
        snprintf(error, sizeof error, "DEM file not found %s", path);
        return refuse_terrain(is_reload, is_reload ? error : console_text, error);
    }
    int vertex_count = 0, face_count = 0;
    if (!count_terrain_lines(text.data, text.size, &vertex_count, &face_count)) {
        close_terrain_text(&text);
        snprintf(error, sizeof error, "%s holds more lines than a terrain can have", path);
        return refuse_terrain(is_reload, error, error);
    }
    printf("\nVertices:%d Polygons:%d\n\n", vertex_count, face_count);
    fflush(stdout);
    if (is_reload) {
        show_message("Loading DEM...%d Polygons", face_count);
        draw_frame();
    }

    TerrainParse parse;
    if (!allocate_terrain_parse(&parse, vertex_count, face_count)) {
        close_terrain_text(&text);
        return refuse_terrain(is_reload, "COULD NOT ALLOCATE MEMORY!", "COULD NOT ALLOCATE MEMORY!");
    }
    if (!is_reload) load_startup_texture(texture_path, components, width, height);

    printf("Parsing OBJ file...");
    fflush(stdout);
    bool parsed = parse_terrain_lines(text.data, text.size, path, &parse, error, sizeof error);
    close_terrain_text(&text);
    if (!parsed) {
        free_terrain_parse(&parse);
        if (is_face_limit_message(error) || is_reload) snprintf(console_text, sizeof console_text, "\n%s", error);
        else snprintf(console_text, sizeof console_text, "\n%s...Quitting.\n", error);
        return refuse_terrain(is_reload, console_text, error);
    }
    printf("Done!\n");

    install_terrain_mesh(&parse);
    TerrainSettings s = apply_terrain_settings();
    printf("Terrain Width Range is %d...Setting Movement Speed to %d\n", s.width_range, s.move_speed);
    printf("Terrain Height Range is %d...Setting Movement Speed to %d\n", s.height_range, s.height_step);

    printf("Calculating Average Vertex Normals...");
    fflush(stdout);
    average_vertex_normals(terrain_vertices, terrain_vertex_count, terrain_faces, terrain_face_count);
    printf("Done!\n");

    printf("Building Display Lists...");
    fflush(stdout);
    if (terrain_list) glDeleteLists(terrain_list, 1);
    terrain_list = glGenLists(1);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    glNewList(terrain_list, GL_COMPILE);
    compile_terrain_faces();
    glEndList();
    if (is_reload) message_visible = 0;
    printf("Done!\n");
    fflush(stdout);
    return true;
}

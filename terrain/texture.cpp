// The terrain texture: the start-up texture, drapes and maps, and the texel
// mark (the GL object itself is in texture_gl.cpp).
#include "terrain/texture.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/terrain_file.h"
#include "files/texture_file.h"
#include "state/app_state.h"
#include "state/frame_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"

namespace {

// Takes over `pixels` as the terrain image.
void install_terrain_image(unsigned char* pixels, int width, int height, int components) {
    free(terrain_image);
    terrain_image = pixels;
    terrain_image_components = components;
    texture_width = width;
    texture_height = height;
}

}  // namespace

void load_startup_texture(const char* path, int components, int width, int height) {
    printf("Loading Texture...");
    fflush(stdout);
    unsigned char* pixels = nullptr;
    char error[TERRAIN_ERROR_SIZE];
    if (!read_raw_image(path, width, height, components, &pixels, error, sizeof error)) {
        if (strncmp(error, "Texture file not found", 22) == 0) fatal_error("Texture file not found...Quitting.");
        fatal_error("\n%s...Quitting.", error);
    }
    install_terrain_image(pixels, width, height, components);
    upload_terrain_texture(true);
    printf("Done!\n");
    fflush(stdout);
}

bool load_drape(const char* path) {
    char image_path[TEXTURE_PATH_SIZE], info_path[TEXTURE_PATH_SIZE], error[TERRAIN_ERROR_SIZE];
    int prefix = drape_paths(path, image_path, sizeof image_path, info_path, sizeof info_path, error, sizeof error);
    if (prefix < 0) {
        report_problem("%s", error);
        return false;
    }
    printf("%d", prefix);
    printf("\n%s\n", info_path);
    show_message("Loading Texture...");
    show_frame();

    int width = 0, height = 0, components = 0;
    if (!read_info_file(info_path, &width, &height, &components, error, sizeof error)) {
        report_problem("%s", error);
        return false;
    }
    printf("Loading Texture...");
    fflush(stdout);
    unsigned char* pixels = nullptr;
    if (!read_raw_image(image_path, width, height, components, &pixels, error, sizeof error)) {
        report_problem("%s", error);
        return false;
    }
    install_terrain_image(pixels, width, height, components);
    upload_terrain_texture(false);
    printf("Done!\n");
    fflush(stdout);
    hide_message();
    return true;
}

void mark_picked_texel() {
    printf("\n%d %d\n", texture_width, texture_height);
    if (picked_face < 0 || picked_face >= terrain_face_count || !terrain_image) return;
    int texcoord = terrain_faces[picked_face].corners[0].texcoord;
    assert(texcoord >= 1 && texcoord <= terrain_vertex_count);  // the loader refuses other numbers
    const TerrainVertex& v = terrain_vertices[texcoord - 1];
    long offset = 0;
    if (!paint_texel_white(terrain_image, texture_width, texture_height, terrain_image_components, v.s, v.t,
                           &offset)) {
        return;
    }
    printf("\n%f\n", (double)v.s * texture_width);
    printf("\n%f\n", (1.0 - (double)v.t) * texture_height);
    printf("\n%ld\n", offset);
    fflush(stdout);
    upload_terrain_texture(true);
}

// The terrain texture on the GL side: the start-up texture, drapes and maps.
#include "terrain/texture.h"

#include <GL/glu.h>
#include <cstdio>
#include <cstdlib>

#include "app/console.h"
#include "render/frame.h"
#include "state/overlay_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_file.h"
#include "terrain/texture_file.h"

namespace {

void set_texture_parameters() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void report_drape_failure(const char* error) {
    printf("\n%s\n", error);
    fflush(stdout);
    show_message("%s", error);
}

}  // namespace

void load_startup_texture(const char* path, int components, int width, int height) {
    printf("Loading Texture...");
    fflush(stdout);
    unsigned char* pixels = nullptr;
    char error[TERRAIN_ERROR_SIZE];
    if (!read_raw_image(path, width, height, components, &pixels, error, sizeof error)) {
        FILE* probe = fopen(path, "rb");
        if (!probe) fatal_error("Texture file not found...Quitting.");
        fclose(probe);
        fatal_error("\n%s...Quitting.", error);
    }
    free(terrain_image);
    terrain_image = pixels;
    terrain_image_components = components;
    texture_width = width;
    texture_height = height;
    glGenTextures(1, &terrain_texture);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // raw rows carry no padding
    bool colour = components == 3;
    gluBuild2DMipmaps(GL_TEXTURE_2D, colour ? 3 : 1, width, height, colour ? GL_RGB : GL_LUMINANCE,
                      GL_UNSIGNED_BYTE, terrain_image);
    set_texture_parameters();
    printf("Done!\n");
    fflush(stdout);
}

bool load_drape(const char* path) {
    char image_path[TEXTURE_PATH_SIZE], info_path[TEXTURE_PATH_SIZE], error[TERRAIN_ERROR_SIZE];
    int prefix = drape_paths(path, image_path, sizeof image_path, info_path, sizeof info_path, error, sizeof error);
    if (prefix < 0) {
        report_drape_failure(error);
        return false;
    }
    printf("%d", prefix);
    printf("\n%s\n", info_path);
    show_message("Loading Texture...");
    draw_frame();

    int width = 0, height = 0, components = 0;
    if (!read_info_file(info_path, &width, &height, &components, error, sizeof error)) {
        report_drape_failure(error);
        return false;
    }
    printf("Loading Texture...");
    fflush(stdout);
    unsigned char* pixels = nullptr;
    if (!read_raw_image(image_path, width, height, components, &pixels, error, sizeof error)) {
        report_drape_failure(error);
        return false;
    }
    free(terrain_image);
    terrain_image = pixels;
    terrain_image_components = components;

    glDeleteTextures(1, &terrain_texture);
    glGenTextures(1, &terrain_texture);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    texture_width = width;
    texture_height = height;
    bool colour = components == 3;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // raw rows carry no padding
    glTexImage2D(GL_TEXTURE_2D, 0, colour ? GL_RGB : 1, width, height, 0, colour ? GL_RGB : GL_LUMINANCE,
                 GL_UNSIGNED_BYTE, terrain_image);
    set_texture_parameters();
    printf("Done!\n");
    fflush(stdout);
    message_visible = 0;
    return true;
}

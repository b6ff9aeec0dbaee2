// The overlay's and the billboards' pictures and quads, made once at start-up.
#include "overlay/overlay_textures.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/texture_file.h"
#include "gl/upload.h"
#include "overlay/file_panel.h"
#include "overlay/tray_layout.h"
#include "state/app_state.h"
#include "state/overlay_state.h"

namespace {

constexpr int RGBA = 4;
constexpr int ERROR_SIZE = 256;

// Reads a picture of side x side RGBA texels; a missing file ends the program
// with `missing_text` (formatted with the name), a short one with its size.
unsigned char* read_picture(const char* name, int side, const char* missing_text) {
    unsigned char* pixels = nullptr;
    char error[ERROR_SIZE];
    if (!read_raw_image(name, side, side, RGBA, &pixels, error, sizeof error)) {
        FILE* probe = fopen(name, "rb");
        if (!probe) fatal_error(missing_text, name);
        fclose(probe);
        fatal_error("\n%s...Quitting.", error);
    }
    return pixels;
}

void load_picture(const char* name, int side, unsigned int texture, GLint wrap, const char* missing_text) {
    unsigned char* pixels = read_picture(name, side, missing_text);
    upload_texture(texture, pixels, side, side, RGBA, TextureSampling{GL_LINEAR, GL_LINEAR, wrap, false});
    free(pixels);
}

void compile_quad(unsigned int list, const float (*corners)[5], bool with_normal) {
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);
    if (with_normal) glNormal3f(0.0f, 0.0f, 1.0f);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(corners[i][0], corners[i][1]);
        glVertex3f(corners[i][2], corners[i][3], corners[i][4]);
    }
    glEnd();
    glEndList();
}

// Texture coordinate s, t, then position x, y, z. The panel picture is
// mirrored left to right on its quad.
const float PANEL_QUAD[4][5] = {
    {1, 0, -0.05f, -0.05f, -0.25f}, {0, 0, 0.05f, -0.05f, -0.25f}, {0, 1, 0.05f, 0.05f, -0.25f}, {1, 1, -0.05f, 0.05f, -0.25f}};
const float HANDLE_QUAD[4][5] = {
    {1, 0, -0.065f, -0.065f, -1.25f}, {1, 1, 0.065f, -0.065f, -1.25f}, {0, 1, 0.065f, 0.065f, -1.25f}, {0, 0, -0.065f, 0.065f, -1.25f}};
const float BILLBOARD_QUAD[4][5] = {{0, 1, -4, -4, 0}, {1, 1, 4, -4, 0}, {1, 0, 4, 4, 0}, {0, 0, -4, 4, 0}};

}  // namespace

void load_overlay_textures() {
    glGenTextures(OVERLAY_TEXTURES, overlay_textures);
    glGenTextures(1, &handle_texture);
    glGenTextures(BILLBOARD_PICTURES, billboard_textures);
    tray_panel_list = glGenLists(1);
    tray_handle_list = glGenLists(1);

    printf("Loading Navi Textures");
    fflush(stdout);
    char name[32];
    for (int i = 0; i < NAVI_PICTURES; ++i) {
        snprintf(name, sizeof name, NAVI_PICTURE_NAME, i);
        load_picture(name, OVERLAY_PICTURE_SIDE, overlay_textures[i], 0, "Texture file not found: %s...Quitting.");
    }
    for (int i = 0; i < BILLBOARD_PICTURES; ++i) {
        snprintf(name, sizeof name, BILLBOARD_PICTURE_NAME, i);
        load_picture(name, OVERLAY_PICTURE_SIDE, billboard_textures[i], GL_REPEAT,
                     "Texture file not found: %s...Quitting.");
    }
    compile_quad(tray_panel_list, PANEL_QUAD, true);

    printf("Loading Side Textures");
    fflush(stdout);
    load_picture(HANDLE_PICTURE_NAME, HANDLE_PICTURE_SIDE, handle_texture, 0, "Side file not found...Quitting.");
    compile_quad(tray_handle_list, HANDLE_QUAD, false);

    layout_overlay();
    setup_file_rows(window_height);
}

void build_billboard_quad() {
    billboard_quad_list = glGenLists(1);
    compile_quad(billboard_quad_list, BILLBOARD_QUAD, false);
}

void release_overlay_textures() {
    glDeleteTextures(OVERLAY_TEXTURES, overlay_textures);
    glDeleteTextures(1, &handle_texture);
    glDeleteLists(tray_panel_list, 1);
}

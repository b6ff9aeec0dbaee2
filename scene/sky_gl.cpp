// The panoramic sky box and fog.
#include "scene/sky.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/regular_file.h"
#include "gl/upload.h"
#include "state/app_state.h"
#include "state/sky_state.h"

constexpr float FOG_DENSITY = 0.15f;  // set although linear fog does not use it

namespace {

unsigned int sky_textures[SKY_FACES];

struct SkyFace {
    int texture;        // sky_N
    float normal[3];
    float corners[4][5];  // s, t, x, y, z (in units of SKY_EXTENT)
};

// Each face winds counter-clockwise seen from inside, so culling keeps it.
const SkyFace SKY_FACE_TABLE[SKY_FACES] = {
    {0, {0, 0, 1}, {{1, 1, -1, -1, -1}, {0, 1, 1, -1, -1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}}},
    {1, {0, 0, -1}, {{0, 1, -1, -1, 1}, {0, 0, -1, 1, 1}, {1, 0, 1, 1, 1}, {1, 1, 1, -1, 1}}},
    {5, {0, -1, 0}, {{0, 0, 1, 1, 1}, {1, 0, -1, 1, 1}, {1, 1, -1, 1, -1}, {0, 1, 1, 1, -1}}},
    {3, {1, 0, 0}, {{0, 1, -1, -1, -1}, {0, 0, -1, 1, -1}, {1, 0, -1, 1, 1}, {1, 1, -1, -1, 1}}},
    {4, {-1, 0, 0}, {{1, 1, 1, -1, -1}, {0, 1, 1, -1, 1}, {0, 0, 1, 1, 1}, {1, 0, 1, 1, -1}}},
    {2, {0, 1, 0}, {{0, 1, 1, -1, 1}, {0, 0, 1, -1, -1}, {1, 0, -1, -1, -1}, {1, 1, -1, -1, 1}}},
};

void load_sky_picture(int index, unsigned char* buffer) {
    char path[32];
    snprintf(path, sizeof path, SKY_PICTURE_NAME, index);
    char error[128];
    FILE* file = fopen_regular_file(path, "Sky file", error, sizeof error);
    if (!file && strstr(error, "not found")) fatal_error("Sky file not found...Quitting.");
    if (!file) fatal_error("\n%s...Quitting.", error);
    size_t got = fread(buffer, 1, SKY_BYTES, file);
    fclose(file);
    if (got < (size_t)SKY_BYTES) printf("\n%s holds %zu of %d bytes; the rest shows black\n", path, got, SKY_BYTES);
    upload_texture(sky_textures[index], buffer, SKY_SIDE, SKY_SIDE, 3,
                   TextureSampling{GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, false});
}

}  // namespace

void build_sky_box() {
    glGenTextures(SKY_FACES, sky_textures);
    for (int i = 0; i < SKY_FACES; ++i) {
        // A fresh zeroed buffer per picture: a short file shows black, not the previous face.
        unsigned char* buffer = (unsigned char*)calloc(SKY_BYTES, 1);
        if (!buffer) fatal_error("COULD NOT ALLOCATE MEMORY!");
        load_sky_picture(i, buffer);
        free(buffer);
    }
    printf("Generating Skybox...");
    skybox_list = glGenLists(1);
    glNewList(skybox_list, GL_COMPILE);
    for (const SkyFace& face : SKY_FACE_TABLE) {
        glBindTexture(GL_TEXTURE_2D, sky_textures[face.texture]);
        glBegin(GL_QUADS);
        glNormal3f(face.normal[0], face.normal[1], face.normal[2]);
        for (const float* c : face.corners) {
            glTexCoord2f(c[0], c[1]);
            glVertex3f(c[2] * SKY_EXTENT, c[3] * SKY_EXTENT, c[4] * SKY_EXTENT);
        }
        glEnd();
    }
    glEndList();
    printf("done!");
    fflush(stdout);
}

void apply_fog_settings() {
    static const float fog_colour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, fog_colour);
    glFogf(GL_FOG_DENSITY, FOG_DENSITY);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, fog_start);
    glFogf(GL_FOG_END, fog_end);
}

void send_fog_switch() {
    if (fog_on) {
        glEnable(GL_FOG);
        apply_fog_settings();
    } else {
        glDisable(GL_FOG);
    }
}

// Shared set-up for the GL tests: the reset between tests, a loaded terrain
// with a small texture.
#include "tests/gl/gl_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "camera/camera.h"
#include "frame/scene_init.h"
#include "input/keyboard.h"
#include "state/camera_state.h"
#include "state/stereo_state.h"
#include "state/viewer_state.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "terrain/texture.h"
#include "tests/support/temp_files.h"

void reset_gl_test_state() {
    release_terrain();
    release_terrain_texture();
    reset_viewer_state();

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    set_fixed_gl_state();
    switch_on_light();
    on_reshape(1024, 768);

    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, 0);
    static const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f},
                         none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
}

std::string console_of_quitting(const std::function<void()>& quit, const std::string& out_path,
                                const std::string& dir, const std::string& in_path) {
    EXPECT_EXIT(
        {
            freopen(out_path.c_str(), "w", stdout);
            freopen(in_path.c_str(), "r", stdin);
            if (!dir.empty() && chdir(dir.c_str()) != 0) exit(7);
            quit();
        },
        testing::ExitedWithCode(1), "");
    return read_file(out_path);
}

void look(const View& v) {
    camera_eye_x = v.x;
    camera_eye_z = v.z;
    camera_height = v.height;
    camera_dir_y = v.dir_y;
    move_camera_eye(0);
    turn_camera_dir(v.yaw);
    apply_view();
    stereo_on = v.stereo;
}

std::string small_texture_path() {
    static std::string path;
    if (path.empty()) {
        std::string pixels;
        for (int i = 0; i < 16; ++i) pixels += std::string(i % 2 ? "\xff\x20\x20" : "\x20\x20\xff", 3);
        path = write_temp_file("tex.raw", pixels);
    }
    return path;
}

void load_startup_terrain(const std::string& text) {
    std::string path = write_temp_file("t.obj", text);
    testing::internal::CaptureStdout();
    load_terrain(path.c_str(), small_texture_path().c_str(), 3, 4, 4, 0);
    testing::internal::GetCapturedStdout();
}

float dome_height(int x, int z) { return 4.0f - 0.1f * ((x - 4) * (x - 4) + (z - 4) * (z - 4)); }

void put_file(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void press(const char* keys) {
    for (const char* k = keys; *k; ++k) on_keyboard((unsigned char)*k, 0, 0);
}

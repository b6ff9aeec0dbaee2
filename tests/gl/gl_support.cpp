// Shared set-up for the GL tests: a loaded terrain with a small texture.
#include "tests/gl/gl_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "input/keyboard.h"
#include "terrain/terrain_loader.h"
#include "tests/support/temp_files.h"

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

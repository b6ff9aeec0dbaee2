// Shared set-up for the GL tests: the reset between tests, a loaded terrain
// with a small texture.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

// Deletes what loads made in GL (terrain lists, terrain texture), puts every
// state group back to its start value, and the GL state back to what
// start-up leaves: the fixed state, the light, the first reshape of the
// 1024 x 768 window, and GL's defaults for what later commands change (fog,
// blending, colour mask, texture matrix, material, winding).
void reset_gl_test_state();

// Every GL test starts from the viewer as it starts.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override { reset_gl_test_state(); }
};

// A camera pose of a test picture.
struct View {
    const char* name;    // what a failure names
    float x, height, z;  // eye, world units (height above the ground under it, as camera_height)
    float yaw, dir_y;    // heading (0 looks along -z) and look-up component
    int stereo;          // 1: the anaglyph pair
};

// Puts the camera at the pose of `v` as the camera's own moves do, loads its
// view into the modelview matrix and sets stereo_on.
void look(const View& v);

// A 4 x 4 RGB texture file written once per process.
std::string small_texture_path();

// Loads `text` as the start-up load does (console output swallowed).
void load_startup_terrain(const std::string& text);

// Writes `bytes` to `path` (a failure fails the test).
void put_file(const std::string& path, const std::string& bytes);

// Types each character of `keys` into the keyboard callback.
void press(const char* keys);

// A 9 x 9 test grid shaped like a low dome.
float dome_height(int x, int z);

// Runs `quit` in a death-test child with its console written to out_path and
// read from in_path, in folder dir when one is given; expects it to end the
// program with code 1 and returns what it printed.
std::string console_of_quitting(const std::function<void()>& quit, const std::string& out_path,
                                const std::string& dir = "", const std::string& in_path = "/dev/null");

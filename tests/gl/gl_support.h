// Shared set-up for the GL tests: a loaded terrain with a small texture.
#pragma once

#include <string>

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

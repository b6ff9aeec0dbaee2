// Shared set-up for the GL tests: a loaded terrain with a small texture.
#pragma once

#include <functional>
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

// Runs `quit` in a death-test child with its console written to out_path and
// read from in_path, in folder dir when one is given; expects it to end the
// program with code 1 and returns what it printed.
std::string console_of_quitting(const std::function<void()>& quit, const std::string& out_path,
                                const std::string& dir = "", const std::string& in_path = "/dev/null");

// Loading a terrain file into the global mesh and compiling its display list.
#pragma once

// Loads the terrain at `path`. The start-up load (is_reload 0) also reads the
// texture named by texture_path, components, width and height; any failure
// there is fatal. A reload (is_reload 1) that fails reports on the console and
// the message line, keeps the current terrain and returns false.
bool load_terrain(const char* path, const char* texture_path, int components, int width, int height,
                  int is_reload);

// Loads ./DEM/<name> in place of the current terrain, with the start-up
// drape's settings (a refusal is reported; the terrain stays).
bool load_dem(const char* name);

// Loads <directory><name> as the drape ("/Drape/" or "/Map/" as directory;
// the file is read from "." + that path). A refusal is reported; the drape stays.
bool load_chosen_drape(const char* directory, const char* name);

// The terrain texture on the GL side: the start-up texture, drapes and maps.
#pragma once

// Reads the start-up texture and uploads it with mipmaps into a new
// terrain_texture. A missing or short file is fatal.
void load_startup_texture(const char* path, int components, int width, int height);

// Replaces the terrain texture by a drape or map: `path` is "/Drape/name" or
// "/Map/name", read from "." + path with its size from the info file. On any
// failure the message goes to the console and the message line, the current
// texture stays, and false is returned.
bool load_drape(const char* path);

// The terrain texture on the GL side: the start-up texture, drapes and maps,
// and the texel mark.
#pragma once

// Replaces terrain_texture by a new texture object holding terrain_image
// (RGB when it has 3 components, else luminance), repeat and linear, with
// every mipmap level or level 0 only.
void upload_terrain_texture(bool mipmaps);

// Reads the start-up texture and uploads it with mipmaps into a new
// terrain_texture. A missing or short file is fatal.
void load_startup_texture(const char* path, int components, int width, int height);

// Replaces the terrain texture by a drape or map: `path` is "/Drape/name" or
// "/Map/name", read from "." + path with its size from the info file. On any
// failure the message goes to the console and the message line, the current
// texture stays, and false is returned.
bool load_drape(const char* path);

// '^': paints the texel under corner 0 of the picked face white and
// re-uploads the terrain texture. Does nothing without a picked face or image.
void mark_picked_texel();

// Deletes the terrain texture and frees its image (at exit).
void release_terrain_texture();

// The overlay's and the billboards' pictures and quads, made once at start-up.
#pragma once

constexpr int NAVI_PICTURES = 5;        // navi_0 (the disk) .. navi_4
constexpr int OVERLAY_PICTURE_SIDE = 128;  // navi_N and bill_N are 128 x 128 RGBA
constexpr int HANDLE_PICTURE_SIDE = 32;    // side_0 is 32 x 32 RGBA
constexpr const char* NAVI_PICTURE_NAME = "navi_%d.raw";       // with 0 .. NAVI_PICTURES - 1
constexpr const char* BILLBOARD_PICTURE_NAME = "bill_%d.raw";  // with 0 .. BILLBOARD_PICTURES - 1
constexpr const char* HANDLE_PICTURE_NAME = "side_0.raw";

// Loads navi_0..4 ("Loading Navi Textures") and bill_0..2, compiles the panel
// quad, loads side_0 ("Loading Side Textures"), compiles the handle quad,
// then lays out the hot spots. A missing or short picture is fatal, naming
// the file.
void load_overlay_textures();

// Compiles billboard_quad_list: a textured square of half-width 4 at z = 0.
void build_billboard_quad();

// Deletes the overlay textures and the panel list (at exit).
void release_overlay_textures();

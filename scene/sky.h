// The panoramic sky box and fog.
#pragma once

constexpr int SKY_SIDE = 256;                        // texels per side of a sky picture
constexpr int SKY_BYTES = SKY_SIDE * SKY_SIDE * 3;   // bytes of one sky_N.raw
constexpr float SKY_EXTENT = 10000.0f;               // the box spans -10000 .. +10000 on every axis
constexpr int SKY_FACES = 6;                         // sky_0.raw .. sky_5.raw
constexpr const char* SKY_PICTURE_NAME = "sky_%d.raw";  // with 0 .. SKY_FACES - 1

// Loads sky_0.raw .. sky_5.raw from the working directory and compiles
// skybox_list. A missing picture is fatal (start-up only).
void build_sky_box();

// Sends every fog parameter to GL: linear, grey, fog_start .. fog_end.
void apply_fog_settings();

// Flips fog_on with GL_FOG; switching on sends the current distances.
void toggle_fog();

// GL_FOG on exactly when fog_on is set; on, every fog parameter is sent too.
void send_fog_switch();

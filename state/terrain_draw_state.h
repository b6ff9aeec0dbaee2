// How the terrain is drawn: the view's drawing switches.
//
// Owns: terrain_primitive, render_mode, textures_on, average_normals,
// exaggeration.
// Lifetime: the view: the switches keep their values across terrain loads.
// Writers: the switches (terrain/terrain_switches.cpp: render mode, textures,
// normals, exaggeration; the view tray sets render_mode and textures_on
// itself, overlay/tray_actions.cpp), start-up ("-q": app/main.cpp).
#pragma once

constexpr int PRIMITIVE_QUADS = 1;      // face pairs drawn as quads ("-q")
constexpr int PRIMITIVE_TRIANGLES = 2;  // every face one triangle

constexpr int RENDER_WIRE_FRAME = 1;
constexpr int RENDER_POINT_CLOUD = 2;
constexpr int RENDER_FILLED = 3;

extern int terrain_primitive;  // PRIMITIVE_TRIANGLES (2) or PRIMITIVE_QUADS (1)
extern int render_mode;        // RENDER_FILLED 3, RENDER_WIRE_FRAME 1, RENDER_POINT_CLOUD 2; others draw nothing
extern int textures_on;        // 1: the terrain is drawn with its texture
extern int average_normals;    // 1: corners carry averaged vertex normals; 0: faces carry their face normal
extern float exaggeration;     // read-out of the vertical exaggeration; +-0.25 per step the heights take

// Puts every switch back to its start value.
void reset_terrain_draw_state();

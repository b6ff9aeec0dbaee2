// Terrain drawing switches and the compiled terrain display list.
//
// Owns: terrain_list, terrain_primitive, render_mode, textures_on,
// average_normals, exaggeration and the compile counter tests read.
// Lifetime: the switches keep their values across terrain loads; the list is
// replaced by every load and every rebuild.
// Writers: terrain/terrain_list.cpp, the loader, start-up ("-q").
#pragma once

constexpr int PRIMITIVE_QUADS = 1;      // face pairs drawn as quads ("-q")
constexpr int PRIMITIVE_TRIANGLES = 2;  // every face one triangle

constexpr int RENDER_WIRE_FRAME = 1;
constexpr int RENDER_POINT_CLOUD = 2;
constexpr int RENDER_FILLED = 3;

extern unsigned int terrain_list;   // GL display list of the terrain; 0 before the first compile
extern int terrain_primitive;       // PRIMITIVE_TRIANGLES (2) or PRIMITIVE_QUADS (1)
extern int render_mode;             // RENDER_FILLED 3, RENDER_WIRE_FRAME 1, RENDER_POINT_CLOUD 2; others draw nothing
extern int textures_on;             // 1: the terrain is drawn with its texture
extern int average_normals;         // 1: corners carry averaged vertex normals; 0: faces carry their face normal
extern float exaggeration;          // read-out of the vertical exaggeration; +-0.25 per step, unbounded
extern long terrain_faces_compiled; // faces emitted by the last compile (tests read it)

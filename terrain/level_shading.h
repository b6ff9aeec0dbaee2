// Coarse levels of detail lit per pixel from the terrain's own corner
// normals, laid out across the ground in a texture: a coarse triangle then
// shows the relief of the faces it stands for, as exact drawing does, where
// lighting at its three corners would smooth it away. Exact faces keep the
// fixed-function lighting; the program computes the same light (GL_LIGHT0,
// the current material, the texture, linear fog).
#pragma once

// Lays the installed terrain's normals out and uploads them, when its levels
// are wanted, its corners carry averaged normals and the GL can run the
// program; otherwise drops any map. After each load, height step and
// normals switch.
void lay_out_level_shading();

// After `count` vertices (0-based) moved: lays out again the faces around them.
void update_level_shading_for_vertices(const int* vertices, int count);

// Deletes the map's texture and forgets it (before a load, at exit).
void drop_level_shading();

// Around the calls of level lists in a frame: begin binds the program (once
// for a run of levels; nothing when the map or program is missing or the
// switch is off), end unbinds it before exact faces and after the terrain.
void begin_level_shading();
void end_level_shading();

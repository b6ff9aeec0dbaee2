// The terrain display lists, drawing what the view can see, and the switches
// that change how the terrain looks.
#pragma once

// Emits every face between glBegin/glEnd under terrain_primitive, in one
// piece; call between glNewList and glEndList. Sets terrain_faces_compiled.
// (The frame draws the tiles instead; this is the whole-terrain reference.)
void compile_terrain_faces();

// Compiles the pieces of `tile` into their lists, emitting averaged normals
// when `normals` is 1 (as average_normals), on this thread's context (one
// that shares the window's lists); returns the faces emitted. The piece
// holding the last face records the whole terrain's tail only with `tail`
// (the frame's thread). The caller keeps the mesh still meanwhile.
long compile_terrain_tile_lists(int tile, int normals, bool tail);

// Replaces the lists of `tile`'s pieces with empty ones, keeping their names
// (Mesa frees the vertices they held).
void empty_terrain_tile_lists(int tile);

// Cuts the current mesh into tiles again, compiles every piece into its own
// list and replaces terrain_list (which calls them all, in face order); the
// rebuilds after a change print the exaggeration read-out on the console first.
// A terrain drawn with levels whose levels come from their cache compiles
// only the tiles no level can stand in for (and the tail's): the others are
// compiled when the frame draws their faces (terrain_exact_on_demand).
void rebuild_terrain_list(bool print_exaggeration = true);

// After a change to every vertex that keeps x and z (exaggeration) or to
// what the lists emit (the normals switch): recompiles every piece under its
// list name (on demand: every tile holding its faces, then waits for the
// levels' lists) and refreshes every box, keeping the tiles. Prints the
// read-out first, as rebuild_terrain_list does.
void recompile_terrain_tiles(bool print_exaggeration = true);

// After vertex records (0-based, `count` of them; others ignored) have moved:
// recompiles only the tiles holding faces that use them as a corner position
// and refreshes those tiles' boxes. terrain_list keeps its name and draws the
// change. Prints the exaggeration read-out first, as every rebuild after a change.
void rebuild_terrain_tiles_for_vertices(const int* vertices, int count, bool print_exaggeration = true);

// Draws the pieces of the tiles whose box meets the frustum of the current
// projection and modelview matrices, in face order: the same pixels as
// glCallList(terrain_list) at a fraction of the cost when much is out of view.
// Leaves the current normal and texture coordinate as the whole terrain does.
// Counts itself in terrain_level_draws when it called a level's list.
void draw_visible_terrain();

// draw_visible_terrain hands its faces to the GL in batches and holds a fence
// for each batch; this releases those of the draws numbered up to through_draw
// (terrain_draws_done after that draw). Call it only once the GL has finished
// something issued after those draws: after the buffer swap, glFinish, or a
// read-back of a picture drawn later. Releasing earlier can freeze Mesa's
// software rasteriser.
void release_terrain_draw_fences(long through_draw);
// How many such fences are held (tests read it).
int terrain_draw_fences_held();

// Stops the level threads and deletes every list of the loaded world (its
// pieces, levels and the whole terrain's), once the GL has finished with
// them; the mesh and tiles stay. A load calls it before installing a mesh.
void release_terrain_lists();

// Deletes the terrain lists and resets the loaded world (at exit).
void release_terrain();

// --- The switches (the state in terrain_switches.cpp, what GL is told here) ---

// Exaggeration steps: +/-0.25 on the read-out, every height x or / 1.25, the
// tiles recompiled; a step scale_terrain_heights refuses changes nothing.
void increase_exaggeration();
void decrease_exaggeration();

// Flips textures_on and GL_TEXTURE_2D together.
void toggle_textures();

// Flips average_normals (on: averaged vertex normals; off: flat face normals)
// and recompiles the tiles.
void toggle_average_normals();

// Stores render_mode and sets the polygon mode it draws with at once
// (1 wire frame GL_LINE, 2 point cloud GL_POINT, 3 filled GL_FILL).
void set_render_mode(int mode);

// GL_TEXTURE_2D on exactly when textures_on is set.
void send_texture_switch();

// The polygon mode of render_mode (an unknown mode leaves it).
void send_render_mode();

// The Terrain menu's "Reverse Winding Order": front faces become clockwise.
void reverse_winding_order();

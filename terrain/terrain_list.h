// The terrain display list and the switches that change how the terrain looks.
#pragma once

// Emits every face between glBegin/glEnd under terrain_primitive; call between
// glNewList and glEndList. Sets terrain_faces_compiled.
void compile_terrain_faces();

// Replaces terrain_list by a fresh compile of the current mesh; the rebuilds
// after a change print the exaggeration read-out on the console first.
void rebuild_terrain_list(bool print_exaggeration = true);

// Deletes the terrain list and frees the mesh arrays (at exit).
void release_terrain();

// Exaggeration steps: +/-0.25 on the read-out, every height x or / 1.25, rebuild.
void increase_exaggeration();
void decrease_exaggeration();

// Flips textures_on and GL_TEXTURE_2D together.
void toggle_textures();

// Flips average_normals (on: averaged vertex normals; off: flat face normals)
// and rebuilds the list.
void toggle_average_normals();

// Stores render_mode and sets the polygon mode it draws with at once
// (1 wire frame GL_LINE, 2 point cloud GL_POINT, 3 filled GL_FILL).
void set_render_mode(int mode);

// The Terrain menu's "Reverse Winding Order": front faces become clockwise.
void reverse_winding_order();

// The one frame routine: camera step, scene, markers, swap.
#pragma once

// GLUT display and idle callback; also called directly to show a change at once.
void draw_frame();

// marker_radius +/- 0.25, unbounded.
void increase_handle_size();
void decrease_handle_size();

// Draws the three pick markers (untextured, lit with the current material).
void draw_pick_markers();

// Draws the terrain list in the current render mode (nothing for an unknown
// mode), restoring GL_FILL afterwards.
void draw_terrain_mono();

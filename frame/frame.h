// The one frame routine and the projection every frame is drawn with.
#pragma once

#include "camera/view_field.h"

// GLUT display and idle callback; also called directly to show a change at
// once. Steps the camera by mode, draws the 3-D scene pass, then the 2-D
// overlay pass, then swaps.
void draw_frame();

// The frame of draw_frame left in the current draw buffer, for capturing it:
// the camera step, the scene pass and, when `with_overlay`, the overlay pass;
// no swap, and frames_drawn is not counted.
void draw_frame_unswapped(bool with_overlay);

// The scene pass under the current pose, which the caller placed (in the
// stereo mode chosen): no camera step, no overlay, no swap (a fly-over's
// frames are placed this way).
void draw_scene_unstepped();

// The overlay pass over a frame drawn by draw_scene_unstepped (in each eye's
// part where the eyes have parts of their own).
void draw_overlay_unswapped();

// Viewport and perspective projection for a window of width x height (a
// height of 0 is taken as 1); leaves the modelview matrix current.
void apply_projection(int width, int height);

// Draws the three pick markers (untextured, lit with the current material).
void draw_pick_markers();

// Draws the visible terrain in the current render mode (nothing for an unknown
// mode), restoring GL_FILL afterwards.
void draw_terrain_mono();

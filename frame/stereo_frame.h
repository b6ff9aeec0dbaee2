// The frame passes of the true stereo camera: the scene drawn once for each
// eye and put together as the mode asks, the overlay at screen depth.
#pragma once

// Lays the picture out again (on_reshape with the drawable's size) when
// stereo was switched into or out of a mode whose eyes have parts of their
// own, or between two such modes, since the last reshape.
void follow_stereo_layout();

// The 3-D scene pass of every stereo mode but the classic red/blue: probes
// the ground and eases the depth, chooses the terrain's levels once from the
// camera's own view, then for each eye clears its part and calls
// `draw_scene_for_eye` under that eye's view and frustum, with the eye's
// position (three doubles); mixes anaglyph and row pictures. Leaves the rest
// state: the picture's viewport and projection, the view it was entered with.
void draw_stereo_scene_pass(void (*draw_scene_for_eye)(const double eye[3]));

// Calls `draw_overlay` once, or once in each eye's part when the eyes have
// parts of their own, so that the overlay shows at screen depth in both.
void draw_stereo_overlay_pass(void (*draw_overlay)());

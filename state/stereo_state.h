// Stereo: the anaglyph switch and the two copies' relative position and angle.
//
// Owns: stereo_on, stereo_separation, stereo_angle and their saved values.
// Lifetime: for the whole run; terrain loads leave it alone.
// Writers: the Stereo menu (scene/stereo_menu.cpp); the flight renderer
// sets stereo_on (video/).
#pragma once

extern int stereo_on;                  // 1: the terrain is drawn as a red/blue anaglyph pair
extern float stereo_separation;        // total shift between the copies along world x, world units; unbounded
extern float stereo_angle;             // each copy's turn about world y, degrees, opposite senses; unbounded
extern float stereo_saved_angle;       // stereo_angle after its last increase or decrease
extern float stereo_saved_separation;  // stereo_separation after its last increase or decrease

// Puts every variable of the group back to its start value.
void reset_stereo_state();

// Stereo: the switch and the mode; the classic pair's relative position and
// angle; the true stereo camera's depth factor and its eased depth.
//
// Owns: stereo_on, stereo_mode, stereo_separation, stereo_angle and their
// saved values, stereo_depth_factor, stereo_baseline, stereo_convergence,
// stereo_depth_settled, stereo_split_laid_out.
// Lifetime: for the whole run; terrain loads leave it alone.
// Writers: the Stereo menu (scene/stereo_menu.cpp); the viewer's and the
// flight renderer's command lines set stereo_on and stereo_mode (app/,
// video/); the depth of each frame (scene/stereo_depth.cpp) eases
// stereo_baseline and stereo_convergence; every reshape
// (frame/reshape.cpp) sets stereo_split_laid_out.
#pragma once

extern int stereo_on;                  // 1: the terrain is drawn as a red/blue anaglyph pair
extern float stereo_separation;        // total shift between the copies along world x, world units; unbounded
extern float stereo_angle;             // each copy's turn about world y, degrees, opposite senses; unbounded
extern float stereo_saved_angle;       // stereo_angle after its last increase or decrease
extern float stereo_saved_separation;  // stereo_separation after its last increase or decrease

extern int stereo_mode;              // how stereo_on shows: a StereoMode (camera/stereo_camera.h); 0 red/blue
extern double stereo_depth_factor;   // depth asked for, times the comfortable depth; 0..4 in steps of 0.25
extern double stereo_baseline;       // eased distance between the eyes, world units; >= 0
extern double stereo_convergence;    // eased distance of zero parallax along the view, world units; > 0
extern bool stereo_depth_settled;    // false: the next frame takes its chosen depth at once
extern int stereo_split_laid_out;    // the mode with parts per eye the last reshape laid out for; -1 none

// Puts every variable of the group back to its start value.
void reset_stereo_state();

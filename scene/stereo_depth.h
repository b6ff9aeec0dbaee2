// The true stereo camera's depth: measured from the ground the camera sees,
// eased over frames, and the factor the user asks for (no GL).
#pragma once

// Probes the ground across the picture of the camera's gluLookAt arguments
// `camera` (vertical field fovy_degrees, aspect, rays reaching `reach`),
// chooses the comfortable baseline and convergence and eases
// stereo_baseline and stereo_convergence towards them. With no ground in
// sight the depth stays as it was.
void update_stereo_depth(const double camera[9], double fovy_degrees, double aspect, double reach);

// Sets the stereo mode (a StereoMode), turns stereo on, and has the next
// frame take its depth at once; the message line names the mode.
void choose_stereo_mode(int mode);

// The depth factor up (steps > 0) or down by steps x 25 %, within 0..400 %;
// the message line shows it.
void change_stereo_depth(int steps);

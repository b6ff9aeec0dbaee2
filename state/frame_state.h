// Per-frame state: the marker size and the frame counters.
//
// Owns: marker_radius, fps_frames, fps_last_ms, frames_drawn.
// Lifetime: marker_radius is set by every terrain load and nudged by the
// handle-size commands; the counters run for the life of the process.
// Writers: render/frame.cpp, the loader (marker_radius).
#pragma once

extern float marker_radius;  // radius of the pick and light marker spheres, world units; unbounded (may go <= 0)
extern int fps_frames;       // frames counted since the last frame-rate update
extern int fps_last_ms;      // GLUT elapsed time at the last frame-rate update, ms
extern long frames_drawn;    // frames drawn since start (tests read it)

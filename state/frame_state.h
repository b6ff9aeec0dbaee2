// Per-frame state: the marker size and the frame counters.
//
// Owns: marker_radius, fps_frames, fps_last_ms, frames_drawn.
// Lifetime: marker_radius is set by every terrain load and nudged by the
// handle-size commands; the counters run for the life of the process.
// Writers: frame/frame_gl.cpp (frames_drawn), the frame-rate read-out
// (overlay/readouts.cpp: fps_frames, fps_last_ms), each load's terrain
// settings (terrain/terrain_mesh.cpp) and the handle-size commands
// (terrain/picking.cpp): marker_radius.
#pragma once

extern float marker_radius;  // radius of the pick and light marker spheres, world units; unbounded (may go <= 0)
extern int fps_frames;       // frames counted since the last frame-rate update
extern int fps_last_ms;      // GLUT elapsed time at the last frame-rate update, ms
extern long frames_drawn;    // frames drawn since start (tests read it)

// Puts the marker size and the counters back to their start values; the
// installed frame drawer stays.
void reset_frame_state();

// Code below the frame that must show a change at once (a load's "Loading
// DEM..." line, a seek's steps, a tray action) calls show_frame; the program
// that owns the window installs its frame routine with set_frame_drawer.
// Without one installed, show_frame does nothing.
void show_frame();

// Installs the routine show_frame calls; null uninstalls it.
void set_frame_drawer(void (*draw)());

// A pass that the scene draws last, under the camera's view (once for each
// eye in stereo): the flight renderer installs what a fly-over shows there.
// Null (the viewer's case) draws nothing more.
extern void (*scene_addition)();

// Installs the scene's last pass; null uninstalls it.
void set_scene_addition(void (*draw)());

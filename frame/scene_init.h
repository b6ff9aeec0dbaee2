// What the viewer and the flight renderer set up once: the start-up choices,
// the fixed GL state and the start-up loads.
#pragma once

// The choices of a bare Enter at the start-up prompt: Default.obj,
// Default.raw, 256 x 256, colour.
void use_default_start_files();

// The GL state every frame builds on: black clear, smooth shading, depth test
// (GL_LESS), counter-clockwise fronts with back faces culled, texturing on.
void set_fixed_gl_state();

// Sends every part of light0_* to GL_LIGHT0 (the position under the current
// modelview matrix), the ambient as the light-model ambient too, and switches
// lighting and GL_LIGHT0 on.
void switch_on_light();

// Installs draw_frame as the routine that shows changes at once, then the
// fixed GL state, the overlay pictures, the sky box, the start-up terrain and
// texture, and the light. Call once after the window exists.
void init_scene();

// GLUT reshape callback: viewport and projection for the new size (height 0
// is taken as 1), the overlay's hot spots and the file panel's rows.
void on_reshape(int width, int height);

// The GL half of a reshape (scene_init_gl.cpp): the viewport and projection
// of apply_projection, and the modelview matrix one unit back.
void send_window_projection(int width, int height);

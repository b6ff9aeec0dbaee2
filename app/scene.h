// The fixed GL state, the start-up loads and the window callbacks.
#pragma once

// The GL state every frame builds on: black clear, smooth shading, depth test
// (GL_LESS), counter-clockwise fronts with back faces culled, texturing on.
void set_fixed_gl_state();

// Fixed GL state, start-up terrain and texture, the light. Call once after
// the window exists.
void init_scene();

// GLUT reshape callback: viewport and projection for the new size (height 0
// is taken as 1).
void on_reshape(int width, int height);

// Registers the frame callbacks, builds the menus and registers the keyboard
// and arrow-key callbacks.
void register_callbacks();

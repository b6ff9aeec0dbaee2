// The red/blue anaglyph terrain pair and the Stereo menu.
#pragma once

// Draws the visible terrain twice: blue copy shifted +separation/2 and turned
// +angle about world y, red copy the other way, green never written.
void draw_terrain_stereo();

// Stereo menu handler: toggle, adjust, reset and bring back the relative
// angle and position.
void on_stereo_menu(int value);

// The overlay's hot-spot layout for a window size, and hit-testing (no GL).
#pragma once

#include "overlay/tray_table.h"

// Lays out the hot spots of the tray table's elements and their box sizes
// for a width x height window.
// The overlay is drawn with the scene's perspective, so it scales with the
// height and stays centred: y positions and every box scale with the height,
// x positions scale with the height about the window's centre. At 1024 x 768
// (and any exact 4:3 size) this gives the reference table exactly.
void layout_overlay_for(int width, int height);

// layout_overlay_for(window_width, window_height).
void layout_overlay();

// The first slot (lowest number) whose box holds (x, y) strictly inside;
// x, y in window pixels with y from the bottom. -1 when none does.
int find_hot_spot(int x, int y);

// The red/blue anaglyph terrain pair and the Stereo menu.
#pragma once

// Draws the visible terrain twice: blue copy shifted +separation/2 and turned
// +angle about world y, red copy the other way, green never written.
void draw_terrain_stereo();

// The Stereo menu's values after the classic eight (0..7): a mode each
// (choosing one turns stereo on in it; "Toggle Stereo " then switches that
// mode), then the depth factor.
enum StereoMenuValue {
    STEREO_MENU_RED_CYAN = 8,
    STEREO_MENU_SIDE_BY_SIDE = 9,
    STEREO_MENU_SIDE_BY_SIDE_HALF = 10,
    STEREO_MENU_TOP_BOTTOM = 11,
    STEREO_MENU_TOP_BOTTOM_HALF = 12,
    STEREO_MENU_ROWS = 13,
    STEREO_MENU_RED_BLUE = 14,
    STEREO_MENU_MORE_DEPTH = 15,
    STEREO_MENU_LESS_DEPTH = 16,
};

// Stereo menu handler: toggle, adjust, reset and bring back the relative
// angle and position; choose a mode; more or less depth.
void on_stereo_menu(int value);

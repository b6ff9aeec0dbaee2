// The right-button pop-up menu tree and its handlers.
#pragma once

// Builds the five asset submenus from their directories, the File, Terrain,
// Stereo and Augmentation submenus and the main menu, and attaches it to the
// right button. A directory that cannot be listed is fatal here.
void build_menus();

// Menu handlers; each takes the GLUT menu value (the Stereo menu's is in scene/stereo.h).
void on_main_menu(int value);
void on_dem_menu(int value);
void on_raster_menu(int value);
void on_map_menu(int value);
void on_terrain_menu(int value);
void on_augmentation_menu(int value);

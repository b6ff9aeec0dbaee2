// The right-button pop-up menu tree and its handlers.
#pragma once

#include "state/asset_state.h"

// Builds the five asset submenus from their directories, the File, Terrain,
// Stereo and Augmentation submenus and the main menu, and attaches it to the
// right button. A directory that cannot be listed is fatal here.
void build_menus();

// Adds one entry per matching file of `directory` to the current GLUT menu
// and fills the two name tables. Returns false if it cannot be listed.
bool scan_asset_directory(const char* directory, const char* extension, AssetName* menu_names,
                          AssetName* panel_names);

// Empties a submenu and fills it again from its directory (after a save).
void refresh_asset_menu(int menu, const char* directory, const char* extension, AssetName* menu_names,
                        AssetName* panel_names);

// Menu handlers; each takes the GLUT menu value (the Stereo menu's is in render/stereo.h).
void on_main_menu(int value);
void on_dem_menu(int value);
void on_raster_menu(int value);
void on_map_menu(int value);
void on_terrain_menu(int value);
void on_augmentation_menu(int value);

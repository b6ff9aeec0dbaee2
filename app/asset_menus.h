// The asset submenus' entries: one GLUT menu entry per file of an asset folder.
#pragma once

#include "state/asset_state.h"

// Adds one entry per matching file of `directory` to the current GLUT menu
// and fills the two name tables. Returns false if it cannot be listed.
bool scan_asset_directory(const char* directory, const char* extension, AssetName* menu_names,
                          AssetName* panel_names);

// Empties a submenu and fills it again from its directory (after a save).
void refresh_asset_menu(int menu, const char* directory, const char* extension, AssetName* menu_names,
                        AssetName* panel_names);

// Adds an entry to the current GLUT menu.
void add_asset_menu_entry(const char* name, int value);

// Makes `menu` the current GLUT menu and removes its entries, printing the
// count before and after.
void empty_asset_menu(int menu);

// Lists a save's folder again in its submenu and panel (after a save); the
// menus install it as the asset relister.
void relist_asset_menu(SavedAssets folder);

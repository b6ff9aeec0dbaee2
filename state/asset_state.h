// Asset name tables: the files listed in the asset submenus and the file panel.
//
// Owns: the five pairs of menu and panel name tables.
// Lifetime: filled at start-up; the Flythrough and Vector pairs are filled
// again after each save of their kind.
// Writers: the directory scan (files/asset_dir.cpp), which the menus'
// scans (gl/asset_menus.cpp) call.
#pragma once

#include "files/asset_dir.h"


extern AssetName dem_menu_names[MENU_TABLE_ROWS];            // entry k: file with menu value k
extern AssetName dem_panel_names[PANEL_TABLE_ROWS];          // entry k - 1: the same file
extern AssetName drape_menu_names[MENU_TABLE_ROWS];
extern AssetName drape_panel_names[PANEL_TABLE_ROWS];
extern AssetName map_menu_names[MENU_TABLE_ROWS];
extern AssetName map_panel_names[PANEL_TABLE_ROWS];
extern AssetName flythrough_menu_names[MENU_TABLE_ROWS];
extern AssetName flythrough_panel_names[PANEL_TABLE_ROWS];
extern AssetName vector_menu_names[MENU_TABLE_ROWS];
extern AssetName vector_panel_names[PANEL_TABLE_ROWS];

// Empties every name table, as at start.
void reset_asset_state();

// Asset name tables: the files listed in the asset submenus and the file panel.
//
// Owns: the five pairs of menu and panel name tables.
// Lifetime: filled at start-up; the Flythrough and Vector pairs are filled
// again after each save of their kind.
// Writers: the directory scan (files/asset_dir.cpp), which the menus'
// scans (app/asset_menus.cpp) call.
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

// The asset folders a save writes into.
enum SavedAssets { SAVED_FLYTHROUGH, SAVED_VECTOR };

// Code below the menus that saved a file into an asset folder calls
// relist_saved_assets, so that the menu and the panel list it; the program
// that owns the menus installs the routine with set_asset_relister. Without
// one installed, it does nothing.
void relist_saved_assets(SavedAssets folder);

// Installs the routine relist_saved_assets calls; null uninstalls it.
void set_asset_relister(void (*relist)(SavedAssets folder));

// Asset name tables: the files listed in the asset submenus and the file panel.
//
// Owns: the five pairs of menu and panel name tables.
// Lifetime: filled at start-up; the Flythrough and Vector pairs are filled
// again after each save of their kind.
// Writers: the directory scan (app/asset_dir.cpp).
#pragma once

constexpr int ASSET_NAME_SIZE = 100;    // bytes of one name (at most 99 characters)
constexpr int MENU_TABLE_ROWS = 100;    // menu values 2..99 hold files
constexpr int PANEL_TABLE_ROWS = 200;   // panel rows from 1
constexpr int FIRST_MENU_VALUE = 2;
constexpr int LAST_MENU_VALUE = MENU_TABLE_ROWS - 1;

typedef char AssetName[ASSET_NAME_SIZE];

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

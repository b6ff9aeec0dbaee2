// Definitions of the asset name tables.
#include "state/asset_state.h"

AssetName dem_menu_names[MENU_TABLE_ROWS];
AssetName dem_panel_names[PANEL_TABLE_ROWS];
AssetName drape_menu_names[MENU_TABLE_ROWS];
AssetName drape_panel_names[PANEL_TABLE_ROWS];
AssetName map_menu_names[MENU_TABLE_ROWS];
AssetName map_panel_names[PANEL_TABLE_ROWS];
AssetName flythrough_menu_names[MENU_TABLE_ROWS];
AssetName flythrough_panel_names[PANEL_TABLE_ROWS];
AssetName vector_menu_names[MENU_TABLE_ROWS];
AssetName vector_panel_names[PANEL_TABLE_ROWS];

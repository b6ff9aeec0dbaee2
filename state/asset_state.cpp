// Definitions of the asset name tables; reset_asset_state gives every start value.
#include "state/asset_state.h"

#include <cstring>
#include <initializer_list>

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

namespace {
void (*asset_relister)(SavedAssets) = nullptr;
}

void relist_saved_assets(SavedAssets folder) {
    if (asset_relister) asset_relister(folder);
}

void set_asset_relister(void (*relist)(SavedAssets folder)) { asset_relister = relist; }

void reset_asset_state() {
    for (AssetName* menu : {dem_menu_names, drape_menu_names, map_menu_names, flythrough_menu_names, vector_menu_names}) {
        memset(menu, 0, sizeof(AssetName) * MENU_TABLE_ROWS);
    }
    for (AssetName* panel :
         {dem_panel_names, drape_panel_names, map_panel_names, flythrough_panel_names, vector_panel_names}) {
        memset(panel, 0, sizeof(AssetName) * PANEL_TABLE_ROWS);
    }
}

// The start values hold from before main.
[[maybe_unused]] static const bool asset_state_started = (reset_asset_state(), true);

// The asset submenus' entries: the listing and name tables here, the GLUT
// menu entries through asset_menus_gl.cpp.
#include "app/asset_menus.h"

#include <cstdio>

#include "files/asset_dir.h"
#include "state/app_state.h"
#include "state/overlay_state.h"

constexpr const char* EMPTY_MENU_LABEL = "(no files)";
constexpr int EMPTY_MENU_VALUE = FIRST_MENU_VALUE - 1;

bool scan_asset_directory(const char* directory, const char* extension, AssetName* menu_names,
                          AssetName* panel_names) {
    int listed = scan_asset_names(directory, extension, menu_names, panel_names, add_asset_menu_entry);
    // GLUT cannot show a submenu without entries (pointing at one ends the
    // program), so an empty folder gets an entry that chooses nothing: value
    // 1 names no file.
    if (listed == 0) add_asset_menu_entry(EMPTY_MENU_LABEL, EMPTY_MENU_VALUE);
    return listed >= 0;
}

void refresh_asset_menu(int menu, const char* directory, const char* extension, AssetName* menu_names,
                        AssetName* panel_names) {
    empty_asset_menu(menu);
    if (!scan_asset_directory(directory, extension, menu_names, panel_names)) report_problem("Cannot list %s", directory);
    fflush(stdout);
}

void relist_asset_menu(SavedAssets folder) {
    if (folder == SAVED_FLYTHROUGH)
        refresh_asset_menu(flythrough_menu, "./Flythrough", ".flt", flythrough_menu_names, flythrough_panel_names);
    else
        refresh_asset_menu(vector_menu, "./Vector", ".vec", vector_menu_names, vector_panel_names);
}

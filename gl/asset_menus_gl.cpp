// The asset submenus' entries: one GLUT menu entry per file of an asset folder.
#include "gl/asset_menus.h"

#include <GL/glut.h>
#include <cstdio>

#include "files/asset_dir.h"
#include "state/overlay_state.h"

constexpr const char* EMPTY_MENU_LABEL = "(no files)";
constexpr int EMPTY_MENU_VALUE = FIRST_MENU_VALUE - 1;

namespace {

void add_menu_entry(const char* name, int value) { glutAddMenuEntry(name, value); }

}  // namespace

bool scan_asset_directory(const char* directory, const char* extension, AssetName* menu_names,
                          AssetName* panel_names) {
    int listed = scan_asset_names(directory, extension, menu_names, panel_names, add_menu_entry);
    // GLUT cannot show a submenu without entries (pointing at one ends the
    // program), so an empty folder gets an entry that chooses nothing: value
    // 1 names no file.
    if (listed == 0) glutAddMenuEntry(EMPTY_MENU_LABEL, EMPTY_MENU_VALUE);
    return listed >= 0;
}

void refresh_asset_menu(int menu, const char* directory, const char* extension, AssetName* menu_names,
                        AssetName* panel_names) {
    glutSetMenu(menu);
    int n = glutGet(GLUT_MENU_NUM_ITEMS);
    printf("BEfore: numitems %d\n", n);
    for (int i = 0; i < n; ++i) glutRemoveMenuItem(1);
    printf("After: numitems %d\n", glutGet(GLUT_MENU_NUM_ITEMS));
    if (!scan_asset_directory(directory, extension, menu_names, panel_names)) report_problem("Cannot list %s", directory);
    fflush(stdout);
}

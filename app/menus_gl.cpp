// The right-button pop-up menu tree (the handlers are in menu_handlers.cpp).
#include "app/menus.h"

#include <GL/glut.h>
#include <cstdio>

#include "app/asset_menus.h"
#include "flythrough/flythrough.h"
#include "geometry/placement.h"
#include "scene/stereo.h"
#include "state/app_state.h"
#include "state/overlay_state.h"

namespace {

int create_asset_menu(void (*handler)(int), const char* directory, const char* extension, AssetName* menu_names,
                      AssetName* panel_names) {
    int menu = glutCreateMenu(handler);
    if (!scan_asset_directory(directory, extension, menu_names, panel_names)) {
        fatal_error("Invalid Directory Supplied\n%s\n", directory);
    }
    return menu;
}

void ignore_menu(int) {}

}  // namespace

void build_menus() {
    set_asset_relister(relist_asset_menu);
    dem_menu = create_asset_menu(on_dem_menu, "./DEM", ".dem", dem_menu_names, dem_panel_names);
    drape_menu = create_asset_menu(on_raster_menu, "./Drape", ".raw", drape_menu_names, drape_panel_names);
    map_menu = create_asset_menu(on_map_menu, "./Map", ".raw", map_menu_names, map_panel_names);
    flythrough_menu = create_asset_menu(on_flythrough_menu, "./Flythrough", ".flt", flythrough_menu_names,
                                        flythrough_panel_names);
    vector_menu = create_asset_menu(on_vector_menu, "./Vector", ".vec", vector_menu_names, vector_panel_names);

    file_menu = glutCreateMenu(ignore_menu);
    glutAddSubMenu("DEM", dem_menu);
    glutAddSubMenu("Raster", drape_menu);
    glutAddSubMenu("Map", map_menu);
    glutAddSubMenu("Flythrough", flythrough_menu);
    glutAddSubMenu("Vector", vector_menu);

    int terrain_menu = glutCreateMenu(on_terrain_menu);
    glutAddMenuEntry("Point Cloud ", 0);
    glutAddMenuEntry("Wire Frame ", 1);
    glutAddMenuEntry("Fully Textured ", 2);
    glutAddMenuEntry("Increase Exaggeration ", 3);
    glutAddMenuEntry("Decrease Exaggeration ", 4);
    glutAddMenuEntry("Toggle Textures ", 5);
    glutAddMenuEntry("Toggle Average Vertex Normals ", 6);
    glutAddMenuEntry("Reverse Winding Order", 7);
    glutAddMenuEntry("Increase Edit Amount", 8);
    glutAddMenuEntry("Decrease Edit Amount", 9);

    int stereo_menu = glutCreateMenu(on_stereo_menu);
    glutAddMenuEntry("Toggle Stereo ", 0);
    glutAddMenuEntry("Increase Relative Angle ", 1);
    glutAddMenuEntry("Decrease Relative  ", 2);
    glutAddMenuEntry("Increase Relative Position ", 3);
    glutAddMenuEntry("Decrease Relative Position ", 4);
    glutAddMenuEntry("Reset Relative Orientation ", 5);
    glutAddMenuEntry("Bring Back Relative Angle ", 6);
    glutAddMenuEntry("Bring Back Relative Position ", 7);
    glutAddMenuEntry("Red/Cyan Anaglyph ", STEREO_MENU_RED_CYAN);
    glutAddMenuEntry("Side by Side ", STEREO_MENU_SIDE_BY_SIDE);
    glutAddMenuEntry("Side by Side, Half Width ", STEREO_MENU_SIDE_BY_SIDE_HALF);
    glutAddMenuEntry("Top and Bottom ", STEREO_MENU_TOP_BOTTOM);
    glutAddMenuEntry("Top and Bottom, Half Height ", STEREO_MENU_TOP_BOTTOM_HALF);
    glutAddMenuEntry("Interlaced Rows ", STEREO_MENU_ROWS);
    glutAddMenuEntry("Red/Blue Anaglyph (Classic) ", STEREO_MENU_RED_BLUE);
    glutAddMenuEntry("More Depth ", STEREO_MENU_MORE_DEPTH);
    glutAddMenuEntry("Less Depth ", STEREO_MENU_LESS_DEPTH);

    int augmentation_menu = glutCreateMenu(on_augmentation_menu);
    glutAddMenuEntry("Sphere ", 0);
    glutAddMenuEntry("Cone", 1);
    glutAddMenuEntry("Billboard1", 2);
    glutAddMenuEntry("Billboard2", 3);
    glutAddMenuEntry("Billboard3", 4);

    glutCreateMenu(on_main_menu);
    glutAddSubMenu("File", file_menu);
    glutAddSubMenu("Terrain", terrain_menu);
    glutAddSubMenu("Stereo", stereo_menu);
    glutAddSubMenu("Augmentation", augmentation_menu);
    glutAddMenuEntry("Help", 1);
    glutAddMenuEntry("About", 2);
    glutAddMenuEntry("Exit", 3);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}


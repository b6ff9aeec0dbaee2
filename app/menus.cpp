// The right-button pop-up menu tree and its handlers.
#include "app/menus.h"

#include <GL/glut.h>
#include <cstdio>
#include <cstdlib>

#include "app/asset_dir.h"
#include "app/shutdown.h"
#include "flythrough/flythrough.h"
#include "geometry/placement.h"
#include "overlay/help_mode.h"
#include "overlay/tray_logic.h"
#include "render/frame.h"
#include "render/stereo.h"
#include "state/app_state.h"
#include "state/file_panel_state.h"
#include "state/geometry_edit_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/overlay_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "terrain/texture.h"

constexpr int MENU_PATH_SIZE = 200;
constexpr const char* EMPTY_MENU_LABEL = "(no files)";
constexpr int EMPTY_MENU_VALUE = FIRST_MENU_VALUE - 1;
constexpr float EDIT_AMOUNT_STEP = 1.5f;

namespace {

void add_menu_entry(const char* name, int value) { glutAddMenuEntry(name, value); }

// The name behind a menu value, or null for a value no file was given.
const char* menu_name(AssetName* names, int value) {
    if (value < FIRST_MENU_VALUE || value > LAST_MENU_VALUE || names[value][0] == '\0') return nullptr;
    return names[value];
}

int create_asset_menu(void (*handler)(int), const char* directory, const char* extension, AssetName* menu_names,
                      AssetName* panel_names) {
    int menu = glutCreateMenu(handler);
    if (!scan_asset_directory(directory, extension, menu_names, panel_names)) {
        fatal_error("Invalid Directory Supplied\n%s\n", directory);
    }
    return menu;
}

void ignore_menu(int) {}

void load_texture_from_menu(AssetName* names, int value, const char* directory, int* list_flag) {
    const char* name = menu_name(names, value);
    if (!name) return;
    printf("%s", name);
    fflush(stdout);
    file_panel_open = 0;
    *list_flag = 0;
    draw_frame();
    char path[MENU_PATH_SIZE];
    snprintf(path, sizeof path, "%s%s", directory, name);
    load_drape(path);
    draw_frame();
}

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

void build_menus() {
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

void on_main_menu(int value) {
    switch (value) {
        case 1: toggle_help_mode(false); break;
        case 2:
            show_message("Kestrolane terrain flythrough and anaglyph stereo viewer, by the Kestrolane terrain team");
            draw_frame();
            break;
        case 3: exit_viewer();
    }
}

void on_dem_menu(int value) {
    const char* name = menu_name(dem_menu_names, value);
    if (!name) return;
    printf("%s", name);
    fflush(stdout);
    file_panel_open = 0;
    file_panel_lists_dem = 0;
    draw_frame();
    // The loader reads counts and extents afresh and keeps the current
    // terrain if the file is refused, so they are not cleared here.
    clear_edit_modes();
    char path[MENU_PATH_SIZE];
    snprintf(path, sizeof path, "./DEM/%s", name);
    load_terrain(path, texture_file_name, texture_components, texture_width, texture_height, 1);
    draw_frame();
}

void on_raster_menu(int value) { load_texture_from_menu(drape_menu_names, value, "/Drape/", &file_panel_lists_drape); }

void on_map_menu(int value) { load_texture_from_menu(map_menu_names, value, "/Map/", &file_panel_lists_map); }

void on_terrain_menu(int value) {
    switch (value) {
        case 0: set_render_mode(RENDER_POINT_CLOUD); break;
        case 1: set_render_mode(RENDER_WIRE_FRAME); break;
        case 2: set_render_mode(RENDER_FILLED); break;
        case 3: increase_exaggeration(); break;
        case 4: decrease_exaggeration(); break;
        case 5: toggle_textures(); break;
        case 6: toggle_average_normals(); break;
        case 7: reverse_winding_order(); break;
        case 8: edit_amount += EDIT_AMOUNT_STEP; break;
        case 9: edit_amount -= EDIT_AMOUNT_STEP; break;
    }
}

void on_augmentation_menu(int value) {
    switch (value) {
        case 0: augment_kind = 0; break;
        case 1: augment_kind = 1; break;
        case 2: augment_billboard = 0; break;
        case 3: augment_billboard = 1; break;
        case 4: augment_billboard = 2; break;
    }
}

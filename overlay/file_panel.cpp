// The file-list panel's clicks: loading the file on the row clicked.
#include "overlay/file_panel.h"

#include <cstdio>

#include "camera/camera.h"
#include "flythrough/flythrough.h"
#include "geometry/placement.h"
#include "overlay/tray_logic.h"
#include "state/app_state.h"
#include "state/file_panel_state.h"
#include "state/frame_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_loader.h"
#include "terrain/texture.h"

constexpr int PATH_SIZE = 200;

namespace {

enum PanelList { LIST_NONE, LIST_DEM, LIST_FLYTHROUGH, LIST_DRAPE, LIST_MAP, LIST_VECTOR };

PanelList shown_list() {
    if (file_panel_lists_dem) return LIST_DEM;
    if (file_panel_lists_flythrough) return LIST_FLYTHROUGH;
    if (file_panel_lists_drape) return LIST_DRAPE;
    if (file_panel_lists_map) return LIST_MAP;
    if (file_panel_lists_vector) return LIST_VECTOR;
    return LIST_NONE;
}

void close_panel(int* list_flag) {
    *list_flag = 0;
    file_panel_open = 0;
}

}  // namespace

void load_chosen_dem(const char* name, int* list_flag) {
    close_panel(list_flag);
    show_frame();
    clear_edit_modes();
    char path[PATH_SIZE];
    snprintf(path, sizeof path, "./DEM/%s", name);
    load_terrain(path, texture_file_name, texture_components, texture_width, texture_height, 1);
}

void load_chosen_texture(const char* directory, const char* name, int* list_flag) {
    close_panel(list_flag);
    show_frame();
    char path[PATH_SIZE];
    snprintf(path, sizeof path, "%s%s", directory, name);  // load_drape reads "." + path
    load_drape(path);
    show_frame();
}

void file_panel_click(int x, int y) {
    int row = file_panel_row_at(x, y);
    AssetName* list = file_panel_list();
    if (row < 0 || !list) return;
    int entry = file_panel_first_row + row;
    if (entry < 0 || entry >= PANEL_TABLE_ROWS || list[entry][0] == '\0') return;
    char name[ASSET_NAME_SIZE];
    snprintf(name, sizeof name, "%s", list[entry]);
    switch (shown_list()) {
        case LIST_DEM:
            printf("DEM %s", name);
            fflush(stdout);
            load_chosen_dem(name, &file_panel_lists_dem);
            clear_camera_depth_and_direction();
            show_frame();
            break;
        case LIST_DRAPE:
            printf("Drape %s", name);
            fflush(stdout);
            load_chosen_texture("/Drape/", name, &file_panel_lists_drape);
            break;
        case LIST_MAP: load_chosen_texture("/Map/", name, &file_panel_lists_map); break;
        case LIST_FLYTHROUGH:
            close_panel(&file_panel_lists_flythrough);
            load_flythrough(name, false);
            break;
        case LIST_VECTOR:
            close_panel(&file_panel_lists_vector);
            load_geometry_layer(name);
            break;
        case LIST_NONE: break;
    }
}

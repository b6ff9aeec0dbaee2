// The file-list panel's clicks: loading the file on the row clicked.
#include "overlay/file_panel.h"

#include <cstdio>

#include "camera/camera.h"
#include "flythrough/flythrough.h"
#include "geometry/placement.h"
#include "overlay/tray_logic.h"
#include "state/file_panel_state.h"
#include "state/frame_state.h"
#include "terrain/terrain_loader.h"

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

void choose_dem(const char* name, int* list_flag) {
    close_panel(list_flag);
    show_frame();
    clear_edit_modes();
    load_dem(name);
}

void choose_drape(const char* directory, const char* name, int* list_flag) {
    close_panel(list_flag);
    show_frame();
    load_chosen_drape(directory, name);
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
            choose_dem(name, &file_panel_lists_dem);
            clear_camera_depth_and_direction();
            show_frame();
            break;
        case LIST_DRAPE:
            printf("Drape %s", name);
            fflush(stdout);
            choose_drape("/Drape/", name, &file_panel_lists_drape);
            break;
        case LIST_MAP: choose_drape("/Map/", name, &file_panel_lists_map); break;
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

// The file-list panel's rows: which list, the click bands, scrolling (no GL).
#include "overlay/file_panel.h"

#include "state/file_panel_state.h"

constexpr int ROW_STEP = 20;          // pixels between rows at every window size
constexpr int FIRST_ROW_OFFSET = 20;  // top row's baseline at 768 pixels high
constexpr int PANEL_WIDTH = 200;      // clicks at x >= this miss every row

AssetName* file_panel_list() {
    if (file_panel_lists_dem) return dem_panel_names;
    if (file_panel_lists_flythrough) return flythrough_panel_names;
    if (file_panel_lists_drape) return drape_panel_names;
    if (file_panel_lists_map) return map_panel_names;
    if (file_panel_lists_vector) return vector_panel_names;
    return nullptr;
}

void setup_file_rows(int height) {
    for (int k = 0; k < FILE_PANEL_ROWS; ++k) file_row_y[k] = height - 1 - (file_panel_top(height) + k * ROW_STEP);
    file_row_half_h = 7.5f;
}

int file_panel_row_at(int x, int y) {
    if (x >= PANEL_WIDTH) return -1;
    for (int k = 0; k < FILE_PANEL_ROWS; ++k) {
        if (file_row_y[k] - file_row_half_h < y && y < file_row_y[k] + file_row_half_h) return k;
    }
    return -1;
}

void open_file_panel(int* list_flag) {
    file_panel_open = 1;
    *list_flag = 1;
}

void scroll_file_panel(int rows) {
    int first = file_panel_first_row + rows;
    if (first < 0) first = 0;
    if (first > FILE_PANEL_LAST_FIRST_ROW) first = FILE_PANEL_LAST_FIRST_ROW;
    file_panel_first_row = first;
}

int file_panel_top(int height) { return (int)((long)height * FIRST_ROW_OFFSET / 768); }

// Definitions of the file-list panel state; reset_file_panel_state gives every
// start value.
#include "state/file_panel_state.h"

#include <cstring>

int file_panel_open;
int file_panel_lists_dem;
int file_panel_lists_drape;
int file_panel_lists_map;
int file_panel_lists_flythrough;
int file_panel_lists_vector;
int file_panel_first_row;
int file_row_y[FILE_PANEL_ROWS];
float file_row_half_h;

void reset_file_panel_state() {
    file_panel_open = 0;
    file_panel_lists_dem = file_panel_lists_drape = file_panel_lists_map = 0;
    file_panel_lists_flythrough = file_panel_lists_vector = 0;
    file_panel_first_row = 0;
    memset(file_row_y, 0, sizeof file_row_y);
    file_row_half_h = 7.5f;
}

// The start values hold from before main.
[[maybe_unused]] static const bool file_panel_state_started = (reset_file_panel_state(), true);

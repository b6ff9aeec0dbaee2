// Definitions of the file-list panel state.
#include "state/file_panel_state.h"

int file_panel_open = 0;
int file_panel_lists_dem = 0;
int file_panel_lists_drape = 0;
int file_panel_lists_map = 0;
int file_panel_lists_flythrough = 0;
int file_panel_lists_vector = 0;
int file_panel_first_row = 0;
int file_row_y[FILE_PANEL_ROWS];
float file_row_half_h = 7.5f;

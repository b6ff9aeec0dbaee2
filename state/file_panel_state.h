// The on-screen file-list panel: whether it is open, which list, first row.
//
// Owns: file_panel_open, the five list flags, file_panel_first_row, the
// rows' click bands.
// Lifetime: closed at start; closed again by a menu load or a choice.
// Writers: the panel itself (overlay/file_rows.cpp: opening, scrolling, the
// bands; overlay/file_panel.cpp: a choice, and the DEM, Raster and Map menus'
// loads through it), the keyboard ('T', 'U': input/keyboard.cpp), the Vector
// menu (geometry/placement.cpp).
#pragma once

extern int file_panel_open;              // 1 while the panel is drawn and takes left clicks
extern int file_panel_lists_dem;         // 1: the panel lists dem_panel_names
extern int file_panel_lists_drape;       // 1: the panel lists drape_panel_names
extern int file_panel_lists_map;         // 1: the panel lists map_panel_names
extern int file_panel_lists_flythrough;  // 1: the panel lists flythrough_panel_names
extern int file_panel_lists_vector;      // 1: the panel lists vector_panel_names
constexpr int FILE_PANEL_ROWS = 20;  // rows the panel shows
constexpr int FILE_PANEL_LAST_FIRST_ROW = 200 - FILE_PANEL_ROWS;  // top row that keeps every row in the 200-entry lists

extern int file_panel_first_row;         // list entry on the panel's top row; 0..FILE_PANEL_LAST_FIRST_ROW
extern int file_row_y[FILE_PANEL_ROWS];  // centre of each row's click band, pixels from the bottom; 747 - 20k at 768 high
extern float file_row_half_h;            // half-height of a row's click band, pixels (7.5)

// Puts every variable of the group back to its start value: closed, no list,
// the bands unset until setup_file_rows.
void reset_file_panel_state();

// The on-screen file-list panel: whether it is open, which list, first row.
//
// Owns: file_panel_open, the five list flags, file_panel_first_row.
// Lifetime: closed at start; closed again by a menu load or a choice.
// Writers: the keyboard ('T', 'U', 'r', 'y'), the trays, the asset menus.
#pragma once

extern int file_panel_open;              // 1 while the panel is drawn and takes left clicks
extern int file_panel_lists_dem;         // 1: the panel lists dem_panel_names
extern int file_panel_lists_drape;       // 1: the panel lists drape_panel_names
extern int file_panel_lists_map;         // 1: the panel lists map_panel_names
extern int file_panel_lists_flythrough;  // 1: the panel lists flythrough_panel_names
extern int file_panel_lists_vector;      // 1: the panel lists vector_panel_names
extern int file_panel_first_row;         // list entry on the panel's top row; unbounded, users of it check it

// The file-list panel: the trays' on-screen file chooser.
#pragma once

// Opens the panel on a list: the panel's flag and `list_flag` are set; the
// other list flags are kept.
void open_file_panel(int* list_flag);

// A left press while the panel is open, at window x and bottom-up y.
void file_panel_click(int x, int y);

// Draws the panel's rows (every frame while it is open).
void draw_file_panel();

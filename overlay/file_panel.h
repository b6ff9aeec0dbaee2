// The file-list panel: the trays' on-screen file chooser.
#pragma once

#include "state/asset_state.h"

// The list the panel shows and acts on: the first whose flag is set of DEM,
// Flythrough, Drape, Map, Vector; null when none is.
AssetName* file_panel_list();

// The rows' click bands for a window `height` pixels high, so that each band
// lies on its drawn row (747 - 20k at 768 pixels, as the rows are drawn from
// trunc(H x 20 / 768) down in steps of 20).
void setup_file_rows(int height);

// The baseline of the panel's top row, pixels from the top of a window
// `height` pixels high; the rows follow 20 pixels apart.
int file_panel_top(int height);

// The row (0..19) whose band holds window point (x, y) (y from the bottom),
// or -1.
int file_panel_row_at(int x, int y);

// Opens the panel on a list: the panel's flag and `list_flag` are set; the
// other list flags are kept.
void open_file_panel(int* list_flag);

// Scrolls the panel by `rows`, keeping every shown row inside the lists.
void scroll_file_panel(int rows);

// A terrain chosen from a list (the DEM menu or the panel): the panel
// closes and `list_flag` clears, a frame is drawn, the edit modes go off, and
// load_dem loads it (a refusal is reported; the terrain stays).
void choose_dem(const char* name, int* list_flag);

// The same for a drape or map: "/Drape/" or "/Map/" as `directory`; a frame
// is drawn before and after the load.
void choose_drape(const char* directory, const char* name, int* list_flag);

// A left press while the panel is open, at window x and bottom-up y: the file
// on that row of the shown list is loaded as its menu would load it. A press
// off the rows, on an empty row or past the list's end does nothing.
void file_panel_click(int x, int y);

// Draws the shown list's 20 rows from file_panel_first_row (every frame while
// the panel is open); nothing when no list is chosen.
void draw_file_panel();

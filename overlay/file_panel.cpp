// The file-list panel: the trays' on-screen file chooser.
#include "overlay/file_panel.h"

#include "state/file_panel_state.h"

void open_file_panel(int* list_flag) {
    file_panel_open = 1;
    *list_flag = 1;
}

void file_panel_click(int, int) {}

void draw_file_panel() {}

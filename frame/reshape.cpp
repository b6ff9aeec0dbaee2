// The state half of a reshape: the window's size, the overlay's hot spots and
// the file list's rows; scene_init_gl.cpp sends the projection.
#include "frame/scene_init.h"
#include "overlay/file_panel.h"
#include "overlay/tray_layout.h"
#include "state/app_state.h"

void on_reshape(int width, int height) {
    if (height == 0) height = 1;
    window_width = width;
    window_height = height;
    layout_overlay();
    setup_file_rows(height);
    send_window_projection(width, height);
}

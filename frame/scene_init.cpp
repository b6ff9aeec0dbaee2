// The start-up choices the viewer's dialogue and the flight renderer share,
// and the state half of a reshape.
#include <cstdio>

#include "frame/scene_init.h"
#include "overlay/file_panel.h"
#include "overlay/tray_layout.h"
#include "state/app_state.h"
#include "state/texture_state.h"

void use_default_start_files() {
    texture_components = 3;
    texture_width = texture_height = 256;
    snprintf(terrain_file_name, sizeof terrain_file_name, "%s", "Default.obj");
    snprintf(texture_file_name, sizeof texture_file_name, "%s", "Default.raw");
}

void on_reshape(int width, int height) {
    if (height == 0) height = 1;
    window_width = width;
    window_height = height;
    layout_overlay();
    setup_file_rows(height);
    send_window_projection(width, height);
}

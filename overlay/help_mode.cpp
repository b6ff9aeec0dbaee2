// Help mode: the overlay's elements explain themselves on the message line.
#include "overlay/help_mode.h"

#include "state/frame_state.h"
#include "state/overlay_state.h"

void toggle_help_mode(bool open_trays) {
    help_mode = !help_mode;
    if (!help_mode) {
        hide_message();
        return;
    }
    show_message("Help Mode (h) to Toggle");
    show_frame();
    if (open_trays) geometry_tray_open = view_tray_open = terrain_tray_open = mesh_tray_open = 1;
}

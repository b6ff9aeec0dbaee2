// The geometry layer from the user interface: placing, replicating, loading.
#include "geometry/placement.h"

#include <cstdio>

#include "camera/camera.h"
#include "geometry/geometry_file.h"
#include "geometry/geometry_layer.h"
#include "state/asset_state.h"
#include "state/camera_state.h"
#include "state/file_panel_state.h"
#include "state/frame_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/overlay_state.h"

namespace {

void report_full_layer() { report_problem("The geometry layer is full (%d items)", MAX_GEOMETRY_ITEMS); }

}  // namespace

void place_at_eye(int kind) {
    if (add_geometry_item(kind, camera_eye_x, camera_eye_y, camera_eye_z) < 0) {
        report_full_layer();
        return;
    }
    // One frame backing away brings the new item into view.
    set_camera_speeds(camera_fwd_speed, (float)move_speed);
    show_frame();
    set_camera_speeds(camera_fwd_speed, 0.0f);
}

void replicate_now() {
    int wanted = replicate_quantity > 0 ? replicate_quantity : 0;
    int made = replicate_selected();
    if (made >= 0 && made < wanted) report_full_layer();
}

bool load_geometry_layer(const char* name) {
    char path[GEOMETRY_PATH_SIZE], error[GEOMETRY_ERROR_SIZE];
    int length = snprintf(path, sizeof path, "./Vector/%s", name);
    if (length < 0 || length >= (int)sizeof path) {
        report_problem("The layer name %.40s... is too long", name);
        return false;
    }
    if (read_geometry_layer(path, error, sizeof error) < 0) {
        report_problem("%s", error);
        return false;
    }
    dismiss_problem();
    return true;
}

void on_vector_menu(int value) {
    if (value < FIRST_MENU_VALUE || value > LAST_MENU_VALUE || vector_menu_names[value][0] == '\0') return;
    printf("\n\n%s\n\n", vector_menu_names[value]);
    fflush(stdout);
    file_panel_lists_vector = 0;
    file_panel_open = 0;
    load_geometry_layer(vector_menu_names[value]);
}

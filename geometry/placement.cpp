// Placing geometry items from the user interface.
#include "geometry/placement.h"

#include <cstdio>

#include "geometry/geometry_layer.h"
#include "input/camera.h"
#include "render/frame.h"
#include "state/camera_state.h"
#include "state/geometry_state.h"
#include "state/overlay_state.h"

void place_at_eye(int kind) {
    if (add_geometry_item(kind, camera_eye_x, camera_eye_y, camera_eye_z) < 0) {
        report_problem("The geometry layer is full (%d items)", MAX_GEOMETRY_ITEMS);
        return;
    }
    // One frame backing away brings the new item into view.
    set_camera_speeds(camera_fwd_speed, (float)move_speed);
    draw_frame();
    set_camera_speeds(camera_fwd_speed, 0.0f);
}

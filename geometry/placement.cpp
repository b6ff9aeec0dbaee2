// Placing geometry items from the user interface.
#include "geometry/placement.h"

#include <cstdio>

#include "geometry/geometry_layer.h"
#include "render/frame.h"
#include "state/camera_state.h"
#include "state/geometry_state.h"
#include "state/overlay_state.h"

void place_at_eye(int kind) {
    if (add_geometry_item(kind, camera_eye_x, camera_eye_y, camera_eye_z) < 0) {
        printf("\nThe geometry layer is full (%d items)\n", MAX_GEOMETRY_ITEMS);
        fflush(stdout);
        show_message("The geometry layer is full (%d items)", MAX_GEOMETRY_ITEMS);
        return;
    }
    camera_back_speed = (float)move_speed;
    draw_frame();
    camera_back_speed = 0.0f;
}

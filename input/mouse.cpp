// The mouse's state half: where a press goes, releases and drags; the GL
// half (input/mouse_gl.cpp) reads the viewport, the modifiers and the pick ray.
#include "input/mouse.h"

#include <cstdio>

#include "camera/stereo_camera.h"
#include "overlay/file_panel.h"
#include "overlay/tray_actions.h"
#include "overlay/tray_logic.h"
#include "state/app_state.h"
#include "state/file_panel_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/stereo_state.h"
#include "terrain/picking.h"

namespace {

// A window point as the picture shows it: where each eye has a part of its
// own, a point in either part acts as the same point of the picture.
void to_picture_point(int* x, int* y) {
    StereoLayout layout;
    layout_stereo_frame(stereo_mode, stereo_on != 0, drawable_width, drawable_height, &layout);
    stereo_picture_point(layout, *x, *y, x, y);
}

}  // namespace

void on_mouse(int button, int state, int x, int y) {
    if (button != MOUSE_LEFT_BUTTON) return;
    if (state != MOUSE_BUTTON_DOWN) {
        release_mouse_holds();
        return;
    }
    to_picture_point(&x, &y);
    int y_up = window_y_up(y);
    mouse_modifiers = read_mouse_modifiers();  // a disk arrow acts as its key with these held
    if (file_panel_open) {
        file_panel_click(x, y_up);
    } else if (overlay_visible) {
        hit_test_overlay(x, y_up);
    } else {
        unproject_pick_ray(x, y_up);
        pick_face();
        fflush(stdout);
    }
}

void on_motion(int x, int y) {
    to_picture_point(&x, &y);
    drag_look_pad(y);
}

void on_passive_motion(int x, int y) {
    if (!help_mode) return;
    to_picture_point(&x, &y);
    hit_test_overlay(x, window_y_up(y));
}

// The mouse's state half: where a press goes, releases and drags; the GL
// half (input/mouse_gl.cpp) reads the viewport, the modifiers and the pick ray.
#include "input/mouse.h"

#include <cstdio>

#include "overlay/file_panel.h"
#include "overlay/tray_actions.h"
#include "overlay/tray_logic.h"
#include "state/file_panel_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "terrain/picking.h"

void on_mouse(int button, int state, int x, int y) {
    if (button != MOUSE_LEFT_BUTTON) return;
    if (state != MOUSE_BUTTON_DOWN) {
        release_mouse_holds();
        return;
    }
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

void on_motion(int, int y) { drag_look_pad(y); }

void on_passive_motion(int x, int y) {
    if (help_mode) hit_test_overlay(x, window_y_up(y));
}

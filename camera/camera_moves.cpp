// Camera changes that the view follows at once: the state change here, the
// view transform through apply_view (camera_gl.cpp).
#include "camera/camera.h"

#include "camera/arrow_keys.h"

#include "state/camera_state.h"
#include "state/frame_state.h"

void raise_camera() {
    change_camera_height((float)height_step);
    move_camera_eye(0);
    apply_view();
}

void lower_camera() {
    change_camera_height(-(float)height_step);
    move_camera_eye(0);
    apply_view();
}

void press_arrow_key(int key, int modifiers) {
    bool draw_now = apply_special_key(key, modifiers);
    if (key == KEY_UP || key == KEY_DOWN) apply_view();  // a height change shows at once
    if (draw_now) show_frame();
}

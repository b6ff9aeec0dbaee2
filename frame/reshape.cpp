// The state half of a reshape: the window's size, the overlay's hot spots and
// the file list's rows; scene_init_gl.cpp sends the projection.
#include "camera/stereo_camera.h"
#include "frame/scene_init.h"
#include "overlay/file_panel.h"
#include "overlay/tray_layout.h"
#include "state/app_state.h"
#include "state/stereo_state.h"

void on_reshape(int width, int height) {
    if (height == 0) height = 1;
    drawable_width = width;
    drawable_height = height;
    window_width = width;
    window_height = height;
    // Where each eye has a part of its own, the overlay, the file list and
    // picking see one eye's picture.
    bool split = stereo_on && stereo_mode_splits(stereo_mode);
    stereo_split_laid_out = split ? stereo_mode : -1;
    if (split) {
        StereoLayout layout;
        layout_stereo_frame(stereo_mode, true, width, height, &layout);
        window_width = layout.picture_width;
        window_height = layout.picture_height;
    }
    layout_overlay();
    setup_file_rows(window_height);
    send_window_projection(window_width, window_height);
}

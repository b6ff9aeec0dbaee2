// The reset of every group that lives as long as the view.
#include "state/view_state.h"

#include "state/camera_state.h"
#include "state/file_panel_state.h"
#include "state/flythrough_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/joystick_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"

void reset_view_state() {
    reset_camera_state();
    reset_file_panel_state();
    reset_flythrough_state();
    reset_geometry_edit_state();
    reset_geometry_state();
    reset_joystick_state();
    reset_keyboard_state();
    reset_mesh_edit_state();
    reset_mouse_state();
    reset_overlay_state();
    reset_sky_state();
    reset_stereo_state();
    reset_terrain_draw_state();
    reset_texture_state();
}

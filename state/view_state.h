// The view: what the user sees and works with across terrain loads, and the
// reset of every group that lives as long.
//
// Groups of this lifetime, each with its own header and reset: the camera
// (camera_state.h), the flythrough modes and samples (flythrough_state.h),
// the terrain's drawing switches (terrain_draw_state.h), sky and fog
// (sky_state.h), stereo (stereo_state.h), the drape (texture_state.h), the
// geometry layer and its editing (geometry_state.h, geometry_edit_state.h),
// mesh editing (mesh_edit_state.h), the trays, hot spots and message line
// (overlay_state.h), the file panel (file_panel_state.h), the name entry
// (keyboard_state.h), the mouse and picking (mouse_state.h) and the joystick
// (joystick_state.h).
// Lifetime: from start-up to exit; a terrain load changes only what its
// settings derive (speeds, fog end, marker size, the picked face).
#pragma once

// Resets every group of the view (none of them deletes a GL name).
void reset_view_state();

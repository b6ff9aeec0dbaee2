// Turning a pointer position into an overlay element and what it does.
#include "overlay/tray_actions.h"

#include "camera/arrow_keys.h"
#include "camera/camera.h"
#include "flythrough/flythrough.h"
#include "geometry/geometry_layer.h"
#include "geometry/placement.h"
#include "gl/upload.h"
#include "overlay/file_panel.h"
#include "overlay/filename_entry.h"
#include "overlay/tray_layout.h"
#include "overlay/tray_logic.h"
#include "scene/sky.h"
#include "state/camera_state.h"
#include "state/file_panel_state.h"
#include "state/frame_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/keyboard_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/terrain_draw_state.h"
#include "state/world_state.h"
#include "terrain/mesh_edit.h"
#include "terrain/picking.h"
#include "terrain/terrain_dump.h"
#include "terrain/terrain_list.h"

constexpr int MESH_EXTRA_FACES[] = {1, 2, -1, -2, -3};  // after the picked face, for "Select Multiple Faces"

namespace {

// The picked face moved: its markers follow and the tiles holding the moved
// vertices are compiled again.
void refresh_picked_face(const MovedVertices& moved) {
    mark_picked_corners(picked_face);
    rebuild_terrain_tiles_for_vertices(moved.vertex, moved.count);
}

// A disk arrow acts as its arrow key with the modifiers of the press.
void press_disk_arrow(int key, int* hold) {
    press_arrow_key(key, mouse_modifiers);
    *hold = 1;
}

// GL's texturing follows textures_on at once, as the 't' key's does, so the
// next frame is already drawn in the chosen mode.
void set_display(int textured, int mode) {
    textures_on = textured;
    render_mode = mode;
    send_texture_switch();
}

void seek_to_selected_item() {
    if (!is_geometry_item(selected_item)) return;
    const GeometryItem& g = geometry_items[selected_item];
    seek_to_point(g.x, g.y, g.z);
}

// The operation an element's click calls.
void perform(const TrayElement& element) {
    switch (element.operation) {
        case OP_NONE: break;
        case OP_DRAG_LOOK: start_look_drag(); break;
        case OP_MOVE_FORWARD: press_disk_arrow(KEY_UP, &hold_forward); break;
        case OP_MOVE_BACKWARD: press_disk_arrow(KEY_DOWN, &hold_backward); break;
        case OP_LOOK_LEFT: press_disk_arrow(KEY_LEFT, &hold_look_left); break;
        case OP_LOOK_RIGHT: press_disk_arrow(KEY_RIGHT, &hold_look_right); break;
        case OP_UNFOLD_TRAY: unfold_tray(element.tray); break;
        case OP_FOLD_TRAY: fold_tray(element.tray); break;
        case OP_EXTRUDE_FACE:
        case OP_DEPRESS_FACE: {
            MovedVertices moved{{}, 0};
            bool changed = element.operation == OP_EXTRUDE_FACE ? extrude_face(picked_face, &moved)
                                                                : depress_face(picked_face, &moved);
            if (changed) refresh_picked_face(moved);
            break;
        }
        case OP_EXTRUDE_FACES: {
            // Faces beyond either end of the mesh are skipped.
            MovedVertices moved{{}, 0};
            extrude_face(picked_face, &moved);
            for (int offset : MESH_EXTRA_FACES) extrude_face(picked_face + offset, &moved);
            if (moved.count > 0) refresh_picked_face(moved);
            break;
        }
        case OP_ENLARGE_MARKERS: increase_handle_size(); break;
        case OP_SHRINK_MARKERS: decrease_handle_size(); break;
        case OP_EDIT_LINES:
        case OP_EDIT_VERTICES:
        case OP_EDIT_FACES:
        case OP_EDIT_MATERIAL:
        case OP_TRANSFORM_GEOMETRY:
        case OP_REPLICATE:
        case OP_EDIT_LIGHT: toggle_edit_mode(element.operation); break;
        case OP_SAVE_GEOMETRY: prompt_vector_name(); break;
        case OP_PLACE_SOLID: place_at_eye(augment_kind); break;
        case OP_LIST_GEOMETRY: open_file_panel(&file_panel_lists_vector); break;
        case OP_PLACE_BILLBOARD: place_at_eye(GEOMETRY_BILLBOARD); break;
        case OP_SEEK_ITEM: seek_to_selected_item(); break;
        case OP_TOGGLE_FOG: toggle_fog(); break;
        case OP_LIST_DEMS:
            open_file_panel(&file_panel_lists_dem);
            clear_view_matrix();
            return_camera_to_origin();
            break;
        case OP_SAVE_DEM: save_terrain_dump(); break;
        case OP_RAISE_EYE:
            raise_camera();
            show_frame();
            break;
        case OP_LOWER_EYE:
            lower_camera();
            show_frame();
            break;
        case OP_LIST_DRAPES: open_file_panel(&file_panel_lists_drape); break;
        case OP_RECORD_FLYTHROUGH: start_recording(); break;
        case OP_LIST_FLYTHROUGHS: open_file_panel(&file_panel_lists_flythrough); break;
        case OP_LIST_MAPS: open_file_panel(&file_panel_lists_map); break;
        case OP_TOGGLE_SKY: panoramic_sky_on = !panoramic_sky_on; break;
        case OP_SEEK_FACE:
            seek_to_point((float)pick_marker[0][0], (float)pick_marker[0][1], (float)pick_marker[0][2]);
            break;
        case OP_RAISE_EXAGGERATION: increase_exaggeration(); break;
        case OP_LOWER_EXAGGERATION: decrease_exaggeration(); break;
        case OP_SHOW_TEXTURED: set_display(1, RENDER_FILLED); break;
        case OP_SHOW_SHADED: set_display(0, RENDER_FILLED); break;
        case OP_SHOW_WIRE_FRAME: set_display(0, RENDER_WIRE_FRAME); break;
        case OP_SHOW_POINTS: set_display(0, RENDER_POINT_CLOUD); break;
    }
}

}  // namespace

void tray_action(int slot) {
    const TrayElement* element = find_tray_element(slot);
    if (help_mode) {
        reveal_message();
        // The reserved tile explains itself only on an open tray; until then
        // the line shows its last text again.
        if (element && element->gate == GATE_OPEN_HELP && !*tray_open_flag(element->tray)) return;
        if (element && element->help[0]) {
            show_message("%s", element->help);
            show_frame();
            return;
        }
        hide_message();
        return;
    }
    if (!element) return;
    int* tray = tray_open_flag(tray_needed_by(*element));
    if (tray && !*tray) return;
    perform(*element);
}

void hit_test_overlay(int x, int y) {
    int slot = find_hot_spot(x, y);
    if (slot >= 0) tray_action(slot);
    else if (help_mode) hide_message();
}

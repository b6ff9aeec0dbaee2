// Turning a pointer position into an overlay element and what it does.
#include "overlay/tray_actions.h"

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
#include "state/terrain_state.h"
#include "terrain/mesh_edit.h"
#include "terrain/picking.h"
#include "terrain/terrain_dump.h"
#include "terrain/terrain_list.h"

constexpr int MESH_EXTRA_FACES[] = {1, 2, -1, -2, -3};  // after the picked face, for "Select Multiple Faces"
constexpr int SLOT_RESERVED = 22;
constexpr int KEY_LEFT = 100, KEY_UP = 101, KEY_RIGHT = 102, KEY_DOWN = 103;  // GLUT's arrow key codes

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

void set_display(int textured, int mode) {
    textures_on = textured;
    render_mode = mode;
}

void save_dem_dump() {
    char error[256];
    if (!write_terrain_dump(DEM_DUMP_NAME, error, sizeof error)) report_problem("%s", error);
    else dismiss_problem();
}

void act(int slot) {
    switch (slot) {
        case 0: look_drag_active = 1; break;
        case 1: press_disk_arrow(KEY_UP, &hold_forward); break;
        case 2: press_disk_arrow(KEY_DOWN, &hold_backward); break;
        case 3: press_disk_arrow(KEY_LEFT, &hold_look_left); break;
        case 4: press_disk_arrow(KEY_RIGHT, &hold_look_right); break;
        // The handles only fold and unfold: nothing goes to the keyboard,
        // so a name being typed is left alone.
        case 6: mesh_tray_open = 1; break;
        case 7: view_tray_open = 1; break;
        case 8: geometry_tray_open = 1; break;
        case 9: terrain_tray_open = 1; break;
        case 10: mesh_tray_open = 0; break;
        case 11: view_tray_open = 0; break;
        case 12: geometry_tray_open = 0; break;
        case 13: terrain_tray_open = 0; break;
        case 14:
        case 15: {
            MovedVertices moved{{}, 0};
            if (slot == 14 ? extrude_face(picked_face, &moved) : depress_face(picked_face, &moved)) {
                refresh_picked_face(moved);
            }
            break;
        }
        case 16: {
            // Faces beyond either end of the mesh are skipped.
            MovedVertices moved{{}, 0};
            extrude_face(picked_face, &moved);
            for (int offset : MESH_EXTRA_FACES) extrude_face(picked_face + offset, &moved);
            if (moved.count > 0) refresh_picked_face(moved);
            break;
        }
        case 17: increase_handle_size(); break;
        case 18: decrease_handle_size(); break;
        case 24: prompt_vector_name(); break;
        case 25: place_at_eye(augment_kind); break;
        case 27: open_file_panel(&file_panel_lists_vector); break;
        case 28: place_at_eye(GEOMETRY_BILLBOARD); break;
        case 30:
            if (is_geometry_item(selected_item)) {
                const GeometryItem& g = geometry_items[selected_item];
                seek_to_point(g.x, g.y, g.z);
            }
            break;
        case 32: toggle_fog(); break;
        case 33:
            open_file_panel(&file_panel_lists_dem);
            clear_view_matrix();
            return_camera_to_origin();
            break;
        case 34: save_dem_dump(); break;
        case 35: raise_camera(); show_frame(); break;
        case 36: lower_camera(); show_frame(); break;
        case 37: open_file_panel(&file_panel_lists_drape); break;
        case 38: start_recording(); break;
        case 39: open_file_panel(&file_panel_lists_flythrough); break;
        case 40: open_file_panel(&file_panel_lists_map); break;
        case 41: light_edit_mode = !light_edit_mode; break;
        case 42: panoramic_sky_on = !panoramic_sky_on; break;
        case 43: seek_to_point((float)pick_marker[0][0], (float)pick_marker[0][1], (float)pick_marker[0][2]); break;
        case 44: increase_exaggeration(); break;
        case 45: decrease_exaggeration(); break;
        case 46: set_display(1, RENDER_FILLED); break;
        case 47: set_display(0, RENDER_FILLED); break;
        case 48: set_display(0, RENDER_WIRE_FRAME); break;
        case 49: set_display(0, RENDER_POINT_CLOUD); break;
        default: toggle_edit_mode_for_slot(slot); break;
    }
}

}  // namespace

void tray_action(int slot) {
    if (help_mode) {
        reveal_message();
        const char* text = tray_help_text(slot);
        if (slot == SLOT_RESERVED && !mesh_tray_open) return;  // its text needs the mesh tray
        if (text[0]) {
            show_message("%s", text);
            show_frame();
            return;
        }
        hide_message();
        return;
    }
    int* tray = tray_flag_for_slot(slot);
    if (tray && !*tray) return;
    act(slot);
}

void hit_test_overlay(int x, int y) {
    int slot = find_hot_spot(x, y);
    if (slot >= 0) tray_action(slot);
    else if (help_mode) hide_message();
}

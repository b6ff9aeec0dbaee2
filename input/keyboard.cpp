// The keyboard: command keys, digit edits and the typed file names.
#include "input/keyboard.h"

#include <cstdio>

#include "camera/camera.h"
#include "flythrough/flythrough.h"
#include "flythrough/frame_modes.h"
#include "frame/frame.h"
#include "frame/shutdown.h"
#include "geometry/geometry_file.h"
#include "geometry/placement.h"
#include "gl/upload.h"
#include "input/key_edits.h"
#include "overlay/file_panel.h"
#include "overlay/filename_entry.h"
#include "overlay/help_mode.h"
#include "scene/sky.h"
#include "state/app_state.h"
#include "state/asset_state.h"
#include "state/file_panel_state.h"
#include "state/flythrough_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/keyboard_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/mesh_edit.h"
#include "terrain/picking.h"
#include "terrain/terrain_list.h"
#include "terrain/texture.h"

constexpr unsigned char KEY_ESCAPE = 27;
constexpr float ITEM_STEP = 1.0f;
constexpr float LIGHT_RAISE = 50.0f;

namespace {

// Saving the typed name: each save says what failed itself, and the prompt
// opens again. The recorded frames and placed items stay in memory whatever
// happens.
bool save_typed_vector(const char* path) {
    char error[GEOMETRY_ERROR_SIZE];
    if (write_geometry_layer(path, error, sizeof error)) {
        dismiss_problem();
        return true;
    }
    report_problem("%s", error);
    return false;
}

void finish_filename_entry(FilenameAction action) {
    if (action == FILENAME_SAVE_FLYTHROUGH) {
        if (save_flythrough(filename_text)) {
            relist_saved_assets(SAVED_FLYTHROUGH);
        } else {
            prompt_flythrough_name();
        }
    } else if (action == FILENAME_SAVE_VECTOR) {
        if (save_typed_vector(filename_text)) {
            relist_saved_assets(SAVED_VECTOR);
        } else {
            prompt_vector_name();
        }
    }
    fflush(stdout);
}

void on_digit(int digit) {
    DigitMode mode = digit_edit_mode();
    switch (mode) {
        case DIGIT_LIGHT: send_light(apply_light_digit(digit)); break;
        case DIGIT_VERTEX:
        case DIGIT_LINE:
        case DIGIT_FACE: {
            if (digit == 7) {
                step_mesh_pick(mode);
                break;
            }
            MeshEditTarget target =
                mode == DIGIT_VERTEX ? MESH_EDIT_VERTEX : mode == DIGIT_LINE ? MESH_EDIT_LINE : MESH_EDIT_FACE;
            MovedVertices moved;
            // Only the tiles holding the moved vertices are compiled again.
            if (edit_picked_mesh(target, digit, &moved)) rebuild_terrain_tiles_for_vertices(moved.vertex, moved.count);
            break;
        }
        case DIGIT_TRANSFORM: apply_transform_digit(digit); break;
        case DIGIT_REPLICATE:
            if (apply_replicate_digit(digit)) replicate_now();
            break;
        case DIGIT_MATERIAL: apply_material_digit(digit); break;
        case DIGIT_NONE: break;
    }
}

void stop_recording_and_ask_name() {
    if (stop_recording()) prompt_flythrough_name();
}

void on_command_key(unsigned char key) {
    switch (key) {
        case KEY_ESCAPE: exit_viewer();
        case ' ': stop_recording_and_ask_name(); break;
        case '%': resize_selected_item(-ITEM_STEP); break;
        case ',': terrain_tray_open = 1; break;
        case '.': mesh_tray_open = 1; break;
        case '<': terrain_tray_open = 0; break;
        case '>': mesh_tray_open = 0; break;
        case 'A': selected_item -= 1; break;
        case 'B': selected_item += 1; break;
        case 'C': resize_selected_item(ITEM_STEP); break;
        case 'D': place_at_eye(GEOMETRY_CONE); break;
        case 'F': move_selected_item(0, 0, -ITEM_STEP); break;
        case 'G': move_selected_item(0, -ITEM_STEP, 0); break;
        case 'I': overlay_visible = !overlay_visible; break;
        case 'J': relight_scene(); break;
        case 'K':
            light0_position[1] += LIGHT_RAISE;
            relight_scene();
            break;
        case 'L': move_selected_item(-ITEM_STEP, 0, 0); break;
        case 'M': view_tray_open = 0; break;
        case 'N': geometry_tray_open = 0; break;
        case 'P': seek_to_point((float)pick_marker[0][0], (float)pick_marker[0][1], (float)pick_marker[0][2]); break;
        case 'Q': move_selected_item(ITEM_STEP, 0, 0); break;
        case 'S': place_at_eye(GEOMETRY_SPHERE); break;
        case 'T': file_panel_open = 1; break;
        case 'U': file_panel_open = 0; break;
        case 'W': move_selected_item(0, ITEM_STEP, 0); break;
        case 'X': rotate_selected_item(0, 0, 1.0f); break;
        case 'Y': place_at_eye(GEOMETRY_BILLBOARD); break;
        case 'Z': move_selected_item(0, 0, ITEM_STEP); break;
        case '[': increase_handle_size(); break;
        case ']': decrease_handle_size(); break;
        case '^': mark_picked_texel(); break;
        case 'a': toggle_fog(); break;
        case 'd': rotate_drape_quarter_turn(); break;
        case 'h': toggle_help_mode(true); break;
        case 'm': view_tray_open = 1; break;
        case 'n': geometry_tray_open = 1; break;
        case 'r': scroll_file_panel(1); break;
        case 's': panoramic_sky_on = !panoramic_sky_on; break;
        case 't': toggle_textures(); break;
        case 'y': scroll_file_panel(-1); break;
        // Item turns that only the transform mode allows.
        case 'c': if (geometry_transform_mode) rotate_selected_item(-1.0f, 0, 0); break;
        case 'e': if (geometry_transform_mode) rotate_selected_item(1.0f, 0, 0); break;
        case 'q': if (geometry_transform_mode) rotate_selected_item(0, 0, 1.0f); break;
        case 'w': if (geometry_transform_mode) rotate_selected_item(0, 1.0f, 0); break;
        case 'x': if (geometry_transform_mode) rotate_selected_item(0, -1.0f, 0); break;
        case 'z': if (geometry_transform_mode) rotate_selected_item(0, 0, -1.0f); break;
        default:
            if (key >= '0' && key <= '9') on_digit(key - '0');
            break;
    }
}

}  // namespace

void on_keyboard(unsigned char key, int, int) {
    if (filename_entry_active) {
        finish_filename_entry(apply_filename_key(key));
        return;
    }
    on_command_key(key);
}

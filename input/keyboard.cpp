// The keyboard: command keys, digit edits and the typed file names.
#include "input/keyboard.h"

#include <GL/glut.h>
#include <cstdio>
#include <cstdlib>

#include "app/menus.h"
#include "flythrough/flythrough.h"
#include "geometry/placement.h"
#include "input/camera.h"
#include "input/filename_entry.h"
#include "input/key_edits.h"
#include "render/frame.h"
#include "render/sky.h"
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
#include "state/terrain_draw_state.h"
#include "state/terrain_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_list.h"

constexpr unsigned char KEY_ESCAPE = 27;
constexpr float ITEM_STEP = 1.0f;
constexpr float LIGHT_RAISE = 50.0f;

namespace {

// Saving the typed name: each save says what failed itself. The recorded
// frames and placed items stay in memory whatever happens.
bool save_typed_vector(const char* path) {
    printf("\nCannot save %s: geometry layer files are not available in this build\n", path);
    show_message("Cannot save %s", path);
    return false;
}

void finish_filename_entry(FilenameAction action) {
    if (action == FILENAME_SAVE_FLYTHROUGH) {
        if (save_flythrough(filename_text)) {
            refresh_asset_menu(flythrough_menu, "./Flythrough", ".flt", flythrough_menu_names, flythrough_panel_names);
        } else {
            prompt_flythrough_name();  // ask again; nothing recorded is lost
        }
    } else if (action == FILENAME_SAVE_VECTOR) {
        if (save_typed_vector(filename_text)) {
            refresh_asset_menu(vector_menu, "./Vector", ".vec", vector_menu_names, vector_panel_names);
        } else {
            prompt_vector_name();
        }
    }
    fflush(stdout);
}

void send_light_parameters() {
    glLightfv(GL_LIGHT0, GL_POSITION, light0_position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light0_diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light0_specular);
    glEnable(GL_LIGHTING);
}

void send_light_change(LightChange change) {
    switch (change) {
        case LIGHT_AMBIENT: glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient); break;
        case LIGHT_DIFFUSE: glLightfv(GL_LIGHT0, GL_DIFFUSE, light0_diffuse); break;
        case LIGHT_SPECULAR: glLightfv(GL_LIGHT0, GL_SPECULAR, light0_specular); break;
        case LIGHT_POSITION: glLightfv(GL_LIGHT0, GL_POSITION, light0_position); break;
        case LIGHT_UNCHANGED: break;
    }
}

void on_digit(int digit) {
    DigitMode mode = digit_edit_mode();
    switch (mode) {
        case DIGIT_LIGHT: send_light_change(apply_light_digit(digit)); break;
        case DIGIT_VERTEX:
        case DIGIT_LINE:
        case DIGIT_FACE:
            // The axis and normal moves of the picked mesh join here.
            if (digit == 7) step_mesh_pick(mode);
            break;
        case DIGIT_TRANSFORM: apply_transform_digit(digit); break;
        case DIGIT_REPLICATE:
            // Replicating the selected item joins here.
            apply_replicate_digit(digit);
            break;
        case DIGIT_MATERIAL: apply_material_digit(digit); break;
        case DIGIT_NONE: break;
    }
}

void toggle_help_mode() {
    help_mode = !help_mode;
    if (help_mode) {
        show_message("Help Mode (h) to Toggle");
        draw_frame();
        geometry_tray_open = view_tray_open = terrain_tray_open = mesh_tray_open = 1;
    } else {
        message_visible = 0;
    }
}

void rotate_drape() {
    glPushMatrix();
    glMatrixMode(GL_TEXTURE);
    glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void stop_recording_and_ask_name() {
    if (!mode_record) return;
    message_visible = 0;
    mode_record = 0;
    mode_playback = 0;
    mode_normal = 1;
    prompt_flythrough_name();
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
        case 'J':
            glPushMatrix();
            send_light_parameters();
            glPopMatrix();
            break;
        case 'K':
            glPushMatrix();
            light0_position[1] += LIGHT_RAISE;
            send_light_parameters();
            glPopMatrix();
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
        case 'd': rotate_drape(); break;
        case 'h': toggle_help_mode(); break;
        case 'm': view_tray_open = 1; break;
        case 'n': geometry_tray_open = 1; break;
        case 'r': file_panel_first_row += 1; break;
        case 's': panoramic_sky_on = !panoramic_sky_on; break;
        case 't': toggle_textures(); break;
        case 'y': file_panel_first_row -= 1; break;
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

void exit_viewer() {
    printf("\n\n\n\n\n\n THANK YOU FOR USING KESTROLANE \n\n\n\n\n\n\n\n");
    fflush(stdout);
    glDeleteTextures(1, &terrain_texture);
    // The overlay and handle textures and the tray list are released here too once they exist.
    glDeleteLists(terrain_list, 1);
    free(terrain_vertices);
    free(terrain_faces);
    free(terrain_image);
    terrain_vertices = nullptr;
    terrain_faces = nullptr;
    terrain_image = nullptr;
    exit(0);
}

void mark_picked_texel() {
    printf("\n%d %d\n", texture_width, texture_height);
    if (picked_face < 0 || picked_face >= terrain_face_count || !terrain_image) return;
    int texcoord = terrain_faces[picked_face].corners[0].texcoord;
    if (texcoord < 1 || texcoord > terrain_vertex_count) return;
    const TerrainVertex& v = terrain_vertices[texcoord - 1];
    int column = 0, row = 0;
    if (!locate_texel(v.s, v.t, texture_width, texture_height, &column, &row)) return;
    bool colour = terrain_image_components == 3;
    long offset = ((long)row * texture_width + column) * (colour ? 3 : 1);
    printf("\n%f\n", (double)v.s * texture_width);
    printf("\n%f\n", (1.0 - (double)v.t) * texture_height);
    printf("\n%ld\n", offset);
    fflush(stdout);
    for (int k = 0; k < (colour ? 3 : 1); ++k) terrain_image[offset + k] = 255;

    glDeleteTextures(1, &terrain_texture);
    glGenTextures(1, &terrain_texture);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, colour ? 3 : 1, texture_width, texture_height, colour ? GL_RGB : GL_LUMINANCE,
                      GL_UNSIGNED_BYTE, terrain_image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

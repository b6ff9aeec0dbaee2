// The one table of key commands.
#include "input/key_table.h"

#include <cstdio>

#include "camera/arrow_keys.h"
#include "camera/camera.h"
#include "flythrough/flythrough.h"
#include "flythrough/frame_modes.h"
#include "frame/shutdown.h"
#include "geometry/geometry_file.h"
#include "geometry/placement.h"
#include "gl/screenshot.h"
#include "gl/upload.h"
#include "input/key_edits.h"
#include "overlay/file_panel.h"
#include "overlay/filename_entry.h"
#include "overlay/help_mode.h"
#include "scene/sky.h"
#include "state/app_state.h"
#include "state/file_panel_state.h"
#include "state/flythrough_state.h"
#include "state/geometry_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "terrain/mesh_edit.h"
#include "terrain/picking.h"
#include "terrain/terrain_list.h"
#include "terrain/texture.h"

constexpr int KEY_ESCAPE = 27;
constexpr float ITEM_STEP = 1.0f;
constexpr float LIGHT_RAISE = 50.0f;

namespace {

void on_digit(int key, int) {
    int digit = key - '0';
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

// Space: a recording stops and asks for its name; a recording whose naming
// was cancelled is asked for again.
void stop_recording_and_ask_name(int, int) {
    if (stop_recording()) {
        flythrough_unsaved = 1;
        prompt_flythrough_name();
    } else if (flythrough_unsaved) {
        prompt_flythrough_name();
    }
}

void raise_light(int, int) {
    light0_position[1] += LIGHT_RAISE;
    relight_scene();
}

void seek_to_picked(int, int) {
    seek_to_point((float)pick_marker[0][0], (float)pick_marker[0][1], (float)pick_marker[0][2]);
}

void press_arrow(int key, int modifiers) { press_arrow_key(key, modifiers); }

}  // namespace

// Rows in the order of their keys' codes; one row per key and modifier state.
#define ANY KEY_ANY_MODIFIERS, KEY_GATE_ALWAYS
#define TRANSFORM KEY_ANY_MODIFIERS, KEY_GATE_TRANSFORM
const KeyCommand KEY_COMMANDS[] = {
    {KEY_ESCAPE, false, ANY, [](int, int) { exit_viewer(); }, "quit"},
    {' ', false, ANY, stop_recording_and_ask_name, "stop a recording and type its name (Enter saves it)"},
    {'%', false, ANY, [](int, int) { resize_selected_item(-ITEM_STEP); }, "make the selected item smaller"},
    {',', false, ANY, [](int, int) { terrain_tray_open = 1; }, "unfold the terrain tray"},
    {'.', false, ANY, [](int, int) { mesh_tray_open = 1; }, "unfold the mesh tray"},
    {'0', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'1', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'2', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'3', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'4', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'5', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'6', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'7', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'8', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'9', false, ANY, on_digit, "act in the edit mode chosen in the trays"},
    {'<', false, ANY, [](int, int) { terrain_tray_open = 0; }, "fold the terrain tray"},
    {'>', false, ANY, [](int, int) { mesh_tray_open = 0; }, "fold the mesh tray"},
    {'A', false, ANY, [](int, int) { selected_item -= 1; }, "select the previous placed item"},
    {'B', false, ANY, [](int, int) { selected_item += 1; }, "select the next placed item"},
    {'C', false, ANY, [](int, int) { resize_selected_item(ITEM_STEP); }, "make the selected item larger"},
    {'D', false, ANY, [](int, int) { place_at_eye(GEOMETRY_CONE); }, "place a cone at the eye"},
    {'F', false, ANY, [](int, int) { move_selected_item(0, 0, -ITEM_STEP); }, "move the selected item along -z"},
    {'G', false, ANY, [](int, int) { move_selected_item(0, -ITEM_STEP, 0); }, "move the selected item along -y"},
    {'I', false, ANY, [](int, int) { overlay_visible = !overlay_visible; }, "navigation disk and trays on / off"},
    {'J', false, ANY, [](int, int) { relight_scene(); }, "send the light again"},
    {'K', false, ANY, raise_light, "raise the light"},
    {'L', false, ANY, [](int, int) { move_selected_item(-ITEM_STEP, 0, 0); }, "move the selected item along -x"},
    {'M', false, ANY, [](int, int) { view_tray_open = 0; }, "fold the view tray"},
    {'N', false, ANY, [](int, int) { geometry_tray_open = 0; }, "fold the geometry tray"},
    {'P', false, ANY, seek_to_picked, "seek to the picked face (eight steps towards its first corner)"},
    {'Q', false, ANY, [](int, int) { move_selected_item(ITEM_STEP, 0, 0); }, "move the selected item along x"},
    {'S', false, ANY, [](int, int) { place_at_eye(GEOMETRY_SPHERE); }, "place a sphere at the eye"},
    {'T', false, ANY, [](int, int) { file_panel_open = 1; }, "show the file list"},
    {'U', false, ANY, [](int, int) { file_panel_open = 0; }, "hide the file list"},
    {'W', false, ANY, [](int, int) { move_selected_item(0, ITEM_STEP, 0); }, "move the selected item along y"},
    {'X', false, ANY, [](int, int) { rotate_selected_item(0, 0, 1.0f); }, "turn the selected item about z"},
    {'Y', false, ANY, [](int, int) { place_at_eye(GEOMETRY_BILLBOARD); }, "place a billboard at the eye"},
    {'Z', false, ANY, [](int, int) { move_selected_item(0, 0, ITEM_STEP); }, "move the selected item along z"},
    {'[', false, ANY, [](int, int) { increase_handle_size(); }, "larger corner markers"},
    {']', false, ANY, [](int, int) { decrease_handle_size(); }, "smaller corner markers"},
    {'^', false, ANY, [](int, int) { mark_picked_texel(); }, "mark the picked face's texel on the drape"},
    {'a', false, ANY, [](int, int) { toggle_fog(); }, "fog on / off"},
    {'c', false, TRANSFORM, [](int, int) { rotate_selected_item(-1.0f, 0, 0); }, "turn the selected item about -x"},
    {'d', false, ANY, [](int, int) { rotate_drape_quarter_turn(); }, "turn the drape a quarter"},
    {'e', false, TRANSFORM, [](int, int) { rotate_selected_item(1.0f, 0, 0); }, "turn the selected item about x"},
    {'h', false, ANY, [](int, int) { toggle_help_mode(true); }, "help mode: point at a disk or tray element"},
    {'m', false, ANY, [](int, int) { view_tray_open = 1; }, "unfold the view tray"},
    {'n', false, ANY, [](int, int) { geometry_tray_open = 1; }, "unfold the geometry tray"},
    {'q', false, TRANSFORM, [](int, int) { rotate_selected_item(0, 0, 1.0f); }, "turn the selected item about z"},
    {'r', false, ANY, [](int, int) { scroll_file_panel(1); }, "scroll the file list"},
    {'s', false, ANY, [](int, int) { panoramic_sky_on = !panoramic_sky_on; }, "panoramic sky on / off"},
    {'t', false, ANY, [](int, int) { toggle_textures(); }, "texture on / off"},
    {'w', false, TRANSFORM, [](int, int) { rotate_selected_item(0, 1.0f, 0); }, "turn the selected item about y"},
    {'x', false, TRANSFORM, [](int, int) { rotate_selected_item(0, -1.0f, 0); }, "turn the selected item about -y"},
    {'y', false, ANY, [](int, int) { scroll_file_panel(-1); }, "scroll the file list back"},
    {'z', false, TRANSFORM, [](int, int) { rotate_selected_item(0, 0, -1.0f); }, "turn the selected item about -z"},
    {KEY_F12, true, ANY, [](int, int) { save_screenshot(); }, "save the picture shown to Screenshots/"},
    {KEY_LEFT, true, ANY, press_arrow, "turn left (not with Ctrl)"},
    {KEY_UP, true, ANY, press_arrow, "fly forward while held; with Ctrl raise the eye, with Alt look up"},
    {KEY_RIGHT, true, ANY, press_arrow, "turn right"},
    {KEY_DOWN, true, ANY, press_arrow, "fly backward while held; with Ctrl lower the eye, with Alt look down"},
};
#undef ANY
#undef TRANSFORM
const int KEY_COMMAND_COUNT = (int)(sizeof KEY_COMMANDS / sizeof KEY_COMMANDS[0]);

const KeyCommand* find_key_command(int key, bool special, int modifiers) {
    for (const KeyCommand& c : KEY_COMMANDS)
        if (c.key == key && c.special == special && (c.modifiers == KEY_ANY_MODIFIERS || c.modifiers == modifiers))
            return &c;
    return nullptr;
}

bool run_key_command(int key, bool special, int modifiers) {
    const KeyCommand* c = find_key_command(key, special, modifiers);
    if (!c || (c->gate == KEY_GATE_TRANSFORM && !geometry_transform_mode)) return false;
    c->operation(key, modifiers);
    return true;
}

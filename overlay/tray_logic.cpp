// What the overlay's elements say and the tray rules that need no GL.
#include "overlay/tray_logic.h"

#include <initializer_list>

#include "camera/arrow_keys.h"
#include "camera/camera.h"
#include "overlay/tray_table.h"
#include "state/geometry_edit_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"

constexpr float LOOK_DRAG_STEP = 0.1f;  // camera_dir_y per motion event

namespace {

// The seven edit modes in one place, so that scan orders can name them.
enum EditMode { LINE, LIGHT, VERTEX, FACE, MATERIAL, TRANSFORM, REPLICATE };

int* mode_flag(EditMode m) {
    switch (m) {
        case LINE: return &line_edit_mode;
        case LIGHT: return &light_edit_mode;
        case VERTEX: return &vertex_edit_mode;
        case FACE: return &face_edit_mode;
        case MATERIAL: return &material_edit_mode;
        case TRANSFORM: return &geometry_transform_mode;
        case REPLICATE: return &replicate_mode;
    }
    return nullptr;
}

struct ModeToggle {
    TrayOperation operation;
    EditMode own;
    int clear_count;
    EditMode clears[6];  // scan order: the first of these that is set is cleared
};

// Lighting clears nothing, so it can be on together with one other mode.
const ModeToggle MODE_TOGGLES[] = {
    {OP_EDIT_LINES, LINE, 6, {VERTEX, LIGHT, FACE, MATERIAL, TRANSFORM, REPLICATE}},
    {OP_EDIT_VERTICES, VERTEX, 6, {LINE, LIGHT, FACE, MATERIAL, TRANSFORM, REPLICATE}},
    {OP_EDIT_FACES, FACE, 6, {LINE, LIGHT, VERTEX, MATERIAL, TRANSFORM, REPLICATE}},
    {OP_EDIT_MATERIAL, MATERIAL, 6, {LINE, LIGHT, VERTEX, FACE, TRANSFORM, REPLICATE}},
    {OP_TRANSFORM_GEOMETRY, TRANSFORM, 6, {LINE, LIGHT, VERTEX, MATERIAL, FACE, REPLICATE}},
    {OP_REPLICATE, REPLICATE, 6, {LINE, LIGHT, VERTEX, FACE, TRANSFORM, MATERIAL}},
    {OP_EDIT_LIGHT, LIGHT, 0, {}},
};

}  // namespace

const char* tray_help_text(int slot) {
    const TrayElement* e = find_tray_element(slot);
    return e ? e->help : "";
}

int* tray_open_flag(Tray tray) {
    switch (tray) {
        case TRAY_MESH: return &mesh_tray_open;
        case TRAY_VIEW: return &view_tray_open;
        case TRAY_GEOMETRY: return &geometry_tray_open;
        case TRAY_TERRAIN: return &terrain_tray_open;
        case TRAY_NONE: break;
    }
    return nullptr;
}

int* tray_flag_for_slot(int slot) {
    const TrayElement* e = find_tray_element(slot);
    return e ? tray_open_flag(tray_needed_by(*e)) : nullptr;
}

void unfold_tray(Tray tray) {
    if (int* open = tray_open_flag(tray)) *open = 1;
}

void fold_tray(Tray tray) {
    if (int* open = tray_open_flag(tray)) *open = 0;
}

void start_look_drag() { look_drag_active = 1; }

bool toggle_edit_mode(TrayOperation operation) {
    for (const ModeToggle& t : MODE_TOGGLES) {
        if (t.operation != operation) continue;
        for (int i = 0; i < t.clear_count; ++i) {
            int* flag = mode_flag(t.clears[i]);
            if (*flag) {
                *flag = 0;
                break;
            }
        }
        int* own = mode_flag(t.own);
        *own = !*own;
        return true;
    }
    return false;
}

void clear_edit_modes() {
    for (EditMode m : {LINE, LIGHT, VERTEX, FACE, MATERIAL, TRANSFORM, REPLICATE}) *mode_flag(m) = 0;
}

void release_mouse_holds() {
    look_drag_active = 0;
    if (hold_forward) {
        hold_forward = 0;
        apply_special_key_up(KEY_UP);
    }
    if (hold_backward) {
        hold_backward = 0;
        apply_special_key_up(KEY_DOWN);
    }
    if (hold_look_left) {
        hold_look_left = 0;
        apply_special_key_up(KEY_LEFT);
    }
    if (hold_look_right) {
        hold_look_right = 0;
        apply_special_key_up(KEY_RIGHT);
    }
}

void drag_look_pad(int y) {
    if (overlay_visible && look_drag_active) {
        if (y > mouse_last_y) tilt_camera(LOOK_DRAG_STEP);
        else if (y < mouse_last_y) tilt_camera(-LOOK_DRAG_STEP);
    }
    mouse_last_y = y;
}

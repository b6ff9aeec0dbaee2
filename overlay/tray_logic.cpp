// What the overlay's elements say and the tray rules that need no GL.
#include "overlay/tray_logic.h"

#include <initializer_list>

#include "camera/camera.h"
#include "state/geometry_edit_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"

constexpr float LOOK_DRAG_STEP = 0.1f;  // camera_dir_y per motion event
constexpr int KEY_LEFT = 100, KEY_UP = 101, KEY_RIGHT = 102, KEY_DOWN = 103;  // GLUT's arrow key codes

namespace {

// Help texts by slot, exactly as shown (trailing blanks included).
const char* const HELP_TEXTS[HOT_SPOT_SLOTS] = {
    "Drag Mouse here to change Look Angle",  // 0
    "Move Forward",
    "Move Backward",
    "Look Left",
    "Look Right",
    "",  // 5
    "Expand Panel",
    "Expand Panel",
    "Expand Panel",
    "Expand Panel",
    "Collapse Panel",  // 10
    "Collapse Panel",
    "Collapse Panel",
    "Collapse Panel",
    "Extrude Along Normal",
    "Depress Along Normal",  // 15
    "Select Multiple Faces (not Enabled)",
    "Increase Handle Size",
    "Decrease Handle Size",
    "Edit Mesh by Line",
    "Edit Mesh by Vertex",  // 20
    "Edit Mesh by Face",
    "Reserved for Future Use",
    "Edit Material",
    "Save Geometry Layer (Billboards and primitives)",
    "Place Geometry Cone/Sphere...see Augmentation Menu (Right Click)",  // 25
    "Transform Geometry (Use Num Pad) ",
    "Open Geometry Layer (Billboards and primitives)",
    "Place Billboard...see Augmentation Menu (Right Click)",
    "",
    "Seek to selected geometry ",  // 30
    "Multi-Replicate",
    "Toggle Fog",
    "Open a DEM",
    "Save DEM to dump.dem",
    "Increase Height",  // 35
    "Decrease Height",
    "Load a Drape/Map",
    "Record Flythrough",
    "Load Flythrough",
    "Load a Map/Drape",  // 40
    "Edit Lighting",
    "Toggle Panoramic Sky",
    "Seek to Selected Polygon",
    "Increase Exaggeration",
    "Decrease Exaggeration",  // 45
    "Fully Textured Mode",
    "Solid Shaded Mode",
    "Wire-Frame Mode",
    "Point Cloud Mode",
};

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
    int slot;
    EditMode own;
    EditMode clears[6];  // scan order: the first of these that is set is cleared
};

const ModeToggle MODE_TOGGLES[] = {
    {19, LINE, {VERTEX, LIGHT, FACE, MATERIAL, TRANSFORM, REPLICATE}},
    {20, VERTEX, {LINE, LIGHT, FACE, MATERIAL, TRANSFORM, REPLICATE}},
    {21, FACE, {LINE, LIGHT, VERTEX, MATERIAL, TRANSFORM, REPLICATE}},
    {23, MATERIAL, {LINE, LIGHT, VERTEX, FACE, TRANSFORM, REPLICATE}},
    {26, TRANSFORM, {LINE, LIGHT, VERTEX, MATERIAL, FACE, REPLICATE}},
    {31, REPLICATE, {LINE, LIGHT, VERTEX, FACE, TRANSFORM, MATERIAL}},
};

}  // namespace

const char* tray_help_text(int slot) {
    if (slot < 0 || slot >= HOT_SPOT_SLOTS || !HELP_TEXTS[slot]) return "";
    return HELP_TEXTS[slot];
}

int* tray_flag_for_slot(int slot) {
    if (slot >= 14 && slot <= 22) return &mesh_tray_open;
    if (slot >= 23 && slot <= 31) return &geometry_tray_open;
    if (slot >= 32 && slot <= 40) return &terrain_tray_open;
    if (slot >= 41 && slot <= 49) return &view_tray_open;
    return nullptr;
}

bool toggle_edit_mode_for_slot(int slot) {
    for (const ModeToggle& t : MODE_TOGGLES) {
        if (t.slot != slot) continue;
        for (EditMode m : t.clears) {
            int* flag = mode_flag(m);
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

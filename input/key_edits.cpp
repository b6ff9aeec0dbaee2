// What the command and digit keys do to the state (no GL).
#include "input/key_edits.h"

#include <cstdio>

#include "geometry/geometry_layer.h"
#include "state/app_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/world_state.h"

constexpr float LIGHT_STEP = 0.1f;
constexpr float ITEM_STEP = 1.0f;
constexpr float MATERIAL_STEP = 1.0f;

namespace {

void add_to_rgb(float* colour, float amount) {
    colour[0] += amount;
    colour[1] += amount;
    colour[2] += amount;
}

int wrap_item(int i) {
    if (geometry_item_count <= 0) return 0;
    return ((i % geometry_item_count) + geometry_item_count) % geometry_item_count;
}

}  // namespace

DigitMode digit_edit_mode() {
    if (light_edit_mode) return DIGIT_LIGHT;
    if (vertex_edit_mode) return DIGIT_VERTEX;
    if (line_edit_mode) return DIGIT_LINE;
    if (face_edit_mode) return DIGIT_FACE;
    if (geometry_transform_mode) return DIGIT_TRANSFORM;
    if (replicate_mode) return DIGIT_REPLICATE;
    if (material_edit_mode) return DIGIT_MATERIAL;
    return DIGIT_NONE;
}

int apply_light_digit(int digit) {
    switch (digit) {
        case 1: add_to_rgb(light0_ambient, LIGHT_STEP); return LIGHT_AMBIENT;
        case 2: add_to_rgb(light0_diffuse, LIGHT_STEP); return LIGHT_DIFFUSE;
        case 3: add_to_rgb(light0_specular, LIGHT_STEP); return LIGHT_SPECULAR;
        case 4: add_to_rgb(light0_ambient, -LIGHT_STEP); return LIGHT_AMBIENT;
        case 5: add_to_rgb(light0_diffuse, -LIGHT_STEP); return LIGHT_DIFFUSE;
        case 6: add_to_rgb(light0_specular, -LIGHT_STEP); return LIGHT_SPECULAR;
        case 7: light0_position[1] += 1.0f; return LIGHT_POSITION;
        case 8: light0_position[1] -= 1.0f; return LIGHT_POSITION;
        default: return 0;
    }
}

bool step_mesh_pick(DigitMode mode) {
    if (mode == DIGIT_VERTEX || mode == DIGIT_LINE) {
        picked_corner = (picked_corner + 1) % 3;
        return true;
    }
    if (mode == DIGIT_FACE && picked_face >= 0 && picked_face + 1 < terrain_face_count) {
        ++picked_face;
        return true;
    }
    return false;
}

void apply_transform_digit(int digit) {
    switch (digit) {
        case 1: move_geometry_item(selected_item, 0, 0, ITEM_STEP); break;
        case 2: move_geometry_item(selected_item, 0, ITEM_STEP, 0); break;
        case 3: move_geometry_item(selected_item, ITEM_STEP, 0, 0); break;
        case 4: move_geometry_item(selected_item, 0, 0, -ITEM_STEP); break;
        case 5: move_geometry_item(selected_item, 0, -ITEM_STEP, 0); break;
        case 6: move_geometry_item(selected_item, -ITEM_STEP, 0, 0); break;
        case 7: selected_item = wrap_item(selected_item + 1); break;
        case 8: resize_selected_item(ITEM_STEP); break;
        case 9: resize_selected_item(-ITEM_STEP); break;
        case 0: selected_item = wrap_item(selected_item - 1); break;
    }
}

bool apply_replicate_digit(int digit) {
    switch (digit) {
        case 1: replicate_offset[0] += 1.0f; break;
        case 2: replicate_offset[1] += 1.0f; break;
        case 3: replicate_offset[2] += 1.0f; break;
        case 4: replicate_quantity += 1; break;
        case 5: return true;
        case 6: replicate_quantity -= 1; break;
        case 7: replicate_offset[0] -= 1.0f; break;
        case 8: replicate_offset[1] -= 1.0f; break;
        case 9: replicate_offset[2] -= 1.0f; break;
    }
    return false;
}

void apply_material_digit(int digit) {
    if (digit >= 1 && digit <= 3) material_diffuse[digit - 1] += MATERIAL_STEP;
    else if (digit >= 4 && digit <= 6) material_diffuse[digit - 4] -= MATERIAL_STEP;
}

void move_selected_item(float dx, float dy, float dz) {
    if (!is_geometry_item(selected_item)) return;
    move_geometry_item(selected_item, dx, dy, dz);
    const GeometryItem& item = geometry_items[selected_item];
    snprintf(item_readout_text, sizeof item_readout_text, "%4.2f %4.2f %4.2f", item.x, item.y, item.z);
}

void rotate_selected_item(float drx, float dry, float drz) { rotate_geometry_item(selected_item, drx, dry, drz); }

void resize_selected_item(float d) {
    if (is_geometry_item(selected_item)) geometry_items[selected_item].size += d;
}

// What the command and digit keys do to the state (no GL; the keyboard
// callback adds the GL side).
#pragma once

enum DigitMode {
    DIGIT_NONE,
    DIGIT_LIGHT,
    DIGIT_VERTEX,
    DIGIT_LINE,
    DIGIT_FACE,
    DIGIT_TRANSFORM,
    DIGIT_REPLICATE,
    DIGIT_MATERIAL,
};

// The edit mode the digits serve: the first set of lighting, vertex, line,
// face, geometry transform, multi-replicate, material.
DigitMode digit_edit_mode();

// Lighting digits: 1/4 ambient, 2/5 diffuse, 3/6 specular +/-0.1 on r, g, b;
// 7/8 light y +/-1. Returns the LIGHT_* part that changed (0 for none).
int apply_light_digit(int digit);

// Digit 7 in vertex or line mode (next corner) and face mode (next face,
// staying on the last face). Returns false when nothing changed.
bool step_mesh_pick(DigitMode mode);

// Geometry transform digits: 1/4 item z, 2/5 y, 3/6 x +/-1; 8/9 size +/-1;
// 7 next item and 0 previous item, wrapping. Items not in use are left alone.
void apply_transform_digit(int digit);

// Multi-replicate digits: offsets, quantity. Returns true for 5 (replicate now).
bool apply_replicate_digit(int digit);

// Material digits: 1-3 diffuse r, g, b + 1.0; 4-6 - 1.0.
void apply_material_digit(int digit);

// Item keys on the selected item (nothing when it is not in use). The move
// writes the item's position into item_readout_text.
void move_selected_item(float dx, float dy, float dz);
void rotate_selected_item(float drx, float dry, float drz);
void resize_selected_item(float d);

// The overlay's elements in one table, and lookups into it.
#include "overlay/tray_table.h"

namespace {

// Half-sizes of each kind's box at 1024 x 768, by HotSpotKind.
const int HALF_SIZES[][2] = {{0, 0}, {20, 20}, {0, 0}, {10, 10}, {25, 15}, {55, 55}};
constexpr int KIND_COUNT = (int)(sizeof HALF_SIZES / sizeof HALF_SIZES[0]);

}  // namespace

// Help texts are the viewer's own, trailing blanks included.
constexpr TrayElement TRAY_ELEMENTS[TRAY_ELEMENT_COUNT] = {
    // The navigation disk.
    {0, TRAY_NONE, GATE_NONE, HOT_LOOK_PAD, 511, 383, "Drag Mouse here to change Look Angle", OP_DRAG_LOOK},
    {1, TRAY_NONE, GATE_NONE, HOT_ARROW, 511, 469, "Move Forward", OP_MOVE_FORWARD},
    {2, TRAY_NONE, GATE_NONE, HOT_ARROW, 510, 294, "Move Backward", OP_MOVE_BACKWARD},
    {3, TRAY_NONE, GATE_NONE, HOT_ARROW, 421, 382, "Look Left", OP_LOOK_LEFT},
    {4, TRAY_NONE, GATE_NONE, HOT_ARROW, 601, 383, "Look Right", OP_LOOK_RIGHT},
    // The handles: on the disk's edge while folded, on the panel's outer edge unfolded.
    {6, TRAY_MESH, GATE_NONE, HOT_HANDLE, 570, 440, "Expand Panel", OP_UNFOLD_TRAY},
    {7, TRAY_VIEW, GATE_NONE, HOT_HANDLE, 450, 440, "Expand Panel", OP_UNFOLD_TRAY},
    {8, TRAY_GEOMETRY, GATE_NONE, HOT_HANDLE, 569, 325, "Expand Panel", OP_UNFOLD_TRAY},
    {9, TRAY_TERRAIN, GATE_NONE, HOT_HANDLE, 454, 325, "Expand Panel", OP_UNFOLD_TRAY},
    {10, TRAY_MESH, GATE_NONE, HOT_HANDLE, 679, 548, "Collapse Panel", OP_FOLD_TRAY},
    {11, TRAY_VIEW, GATE_NONE, HOT_HANDLE, 346, 548, "Collapse Panel", OP_FOLD_TRAY},
    {12, TRAY_GEOMETRY, GATE_NONE, HOT_HANDLE, 678, 216, "Collapse Panel", OP_FOLD_TRAY},
    {13, TRAY_TERRAIN, GATE_NONE, HOT_HANDLE, 345, 216, "Collapse Panel", OP_FOLD_TRAY},
    // The mesh tray.
    {14, TRAY_MESH, GATE_OPEN, HOT_BUTTON, 619, 489, "Extrude Along Normal", OP_EXTRUDE_FACE},
    {15, TRAY_MESH, GATE_OPEN, HOT_BUTTON, 584, 458, "Depress Along Normal", OP_DEPRESS_FACE},
    {16, TRAY_MESH, GATE_OPEN, HOT_BUTTON, 655, 526, "Select Multiple Faces (not Enabled)", OP_EXTRUDE_FACES},
    {17, TRAY_MESH, GATE_OPEN, HOT_BUTTON, 619, 420, "Increase Handle Size", OP_ENLARGE_MARKERS},
    {18, TRAY_MESH, GATE_OPEN, HOT_BUTTON, 657, 459, "Decrease Handle Size", OP_SHRINK_MARKERS},
    {19, TRAY_MESH, GATE_OPEN, HOT_BUTTON, 584, 527, "Edit Mesh by Line", OP_EDIT_LINES},
    {20, TRAY_MESH, GATE_OPEN, HOT_BUTTON, 549, 493, "Edit Mesh by Vertex", OP_EDIT_VERTICES},
    {21, TRAY_MESH, GATE_OPEN, HOT_BUTTON, 619, 562, "Edit Mesh by Face", OP_EDIT_FACES},
    {22, TRAY_MESH, GATE_OPEN_HELP, HOT_BUTTON, 691, 493, "Reserved for Future Use", OP_NONE},
    // The geometry tray.
    {23, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 551, 274, "Edit Material", OP_EDIT_MATERIAL},
    {24, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 584, 311, "Save Geometry Layer (Billboards and primitives)",
     OP_SAVE_GEOMETRY},
    {25, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 620, 343,
     "Place Geometry Cone/Sphere...see Augmentation Menu (Right Click)", OP_PLACE_SOLID},
    {26, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 587, 237, "Transform Geometry (Use Num Pad) ", OP_TRANSFORM_GEOMETRY},
    {27, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 621, 273, "Open Geometry Layer (Billboards and primitives)",
     OP_LIST_GEOMETRY},
    {28, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 654, 308, "Place Billboard...see Augmentation Menu (Right Click)",
     OP_PLACE_BILLBOARD},
    {29, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 621, 202, "", OP_NONE},
    {30, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 658, 239, "Seek to selected geometry ", OP_SEEK_ITEM},
    {31, TRAY_GEOMETRY, GATE_OPEN, HOT_BUTTON, 691, 274, "Multi-Replicate", OP_REPLICATE},
    // The terrain tray.
    {32, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 403, 344, "Toggle Fog", OP_TOGGLE_FOG},
    {33, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 439, 311, "Open a DEM", OP_LIST_DEMS},
    {34, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 473, 278, "Save DEM to dump.dem", OP_SAVE_DEM},
    {35, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 368, 309, "Increase Height", OP_RAISE_EYE},
    {36, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 404, 276, "Decrease Height", OP_LOWER_EYE},
    {37, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 439, 238, "Load a Drape/Map", OP_LIST_DRAPES},
    {38, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 333, 275, "Record Flythrough", OP_RECORD_FLYTHROUGH},
    {39, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 370, 238, "Load Flythrough", OP_LIST_FLYTHROUGHS},
    {40, TRAY_TERRAIN, GATE_OPEN, HOT_BUTTON, 404, 202, "Load a Map/Drape", OP_LIST_MAPS},
    // The view tray.
    {41, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 403, 561, "Edit Lighting", OP_EDIT_LIGHT},
    {42, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 437, 526, "Toggle Panoramic Sky", OP_TOGGLE_SKY},
    {43, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 473, 491, "Seek to Selected Polygon", OP_SEEK_FACE},
    {44, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 368, 525, "Increase Exaggeration", OP_RAISE_EXAGGERATION},
    {45, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 402, 490, "Decrease Exaggeration", OP_LOWER_EXAGGERATION},
    {46, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 439, 454, "Fully Textured Mode", OP_SHOW_TEXTURED},
    {47, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 333, 491, "Solid Shaded Mode", OP_SHOW_SHADED},
    {48, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 369, 456, "Wire-Frame Mode", OP_SHOW_WIRE_FRAME},
    {49, TRAY_VIEW, GATE_OPEN, HOT_BUTTON, 406, 420, "Point Cloud Mode", OP_SHOW_POINTS},
};

namespace {

// Hit-testing takes the first element whose box holds the point, so the order
// is part of the behaviour: slots rise, every one laid out.
constexpr bool slots_rise() {
    for (int i = 0; i < TRAY_ELEMENT_COUNT; ++i) {
        const TrayElement& e = TRAY_ELEMENTS[i];
        if (e.slot < 0 || e.slot >= HOT_SPOT_SLOTS || e.kind == HOT_NONE) return false;
        if (i > 0 && e.slot <= TRAY_ELEMENTS[i - 1].slot) return false;
    }
    return true;
}
static_assert(slots_rise(), "tray elements out of slot order, or one not laid out");

}  // namespace

constexpr TrayPanel TRAY_PANELS[TRAY_PANEL_COUNT] = {
    {TRAY_GEOMETRY, 1, 1, 0},
    {TRAY_VIEW, 2, -1, 0},
    {TRAY_TERRAIN, 3, 0, -1},
    {TRAY_MESH, 4, 0, 1},
};

const TrayElement* find_tray_element(int slot) {
    for (const TrayElement& e : TRAY_ELEMENTS) {
        if (e.slot == slot) return &e;
    }
    return nullptr;
}

TrayPicture find_tray_picture(int number) {
    TrayPicture picture{TRAY_NONE, 0.0, 0.0, 0, {}};
    if (number < 0 || number >= TRAY_PICTURE_COUNT) return picture;
    for (const TrayPanel& panel : TRAY_PANELS) {
        if (panel.picture != number) continue;
        picture.tray = panel.tray;
        picture.offset_x = panel.dx * TRAY_PANEL_OFFSET;
        picture.offset_y = panel.dy * TRAY_PANEL_OFFSET;
    }
    const int capacity = (int)(sizeof picture.elements / sizeof picture.elements[0]);
    for (const TrayElement& e : TRAY_ELEMENTS) {
        // The handles have a picture of their own.
        if (e.kind == HOT_HANDLE || e.tray != picture.tray || picture.count == capacity) continue;
        picture.elements[picture.count++] = &e;
    }
    return picture;
}

Tray tray_needed_by(const TrayElement& element) { return element.gate == GATE_NONE ? TRAY_NONE : element.tray; }

int reference_half_width(int kind) { return kind >= 0 && kind < KIND_COUNT ? HALF_SIZES[kind][0] : 0; }

int reference_half_height(int kind) { return kind >= 0 && kind < KIND_COUNT ? HALF_SIZES[kind][1] : 0; }

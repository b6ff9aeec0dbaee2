// The overlay's elements in one table: where each sits, what it says in help
// mode and which operation it calls. Plain data and lookups (no GL, no viewer
// state), so that the world generator and its checker read it too.
#pragma once

#include "state/overlay_state.h"  // HotSpotKind, HOT_SPOT_SLOTS

// Reference frame the element positions were laid out for.
constexpr int OVERLAY_REFERENCE_WIDTH = 1024;
constexpr int OVERLAY_REFERENCE_HEIGHT = 768;

// Overlay units (the overlay's own frame, before its -45 degree turn) from the
// disk's centre to an unfolded panel's centre.
constexpr double TRAY_PANEL_OFFSET = 0.1;

// The four trays; TRAY_NONE is the navigation disk.
enum Tray { TRAY_NONE, TRAY_MESH, TRAY_VIEW, TRAY_GEOMETRY, TRAY_TERRAIN };

// Whether an element needs its tray unfolded.
enum TrayGate {
    GATE_NONE,       // acts whatever the trays show: the disk and the handles
    GATE_OPEN,       // acts only while its tray is open; explains itself either way
    GATE_OPEN_HELP,  // acts, and explains itself, only while its tray is open
};

// What an element does; overlay/tray_actions.cpp dispatches each to its
// operation.
enum TrayOperation {
    OP_NONE,  // a blank tile
    OP_DRAG_LOOK,
    OP_MOVE_FORWARD,
    OP_MOVE_BACKWARD,
    OP_LOOK_LEFT,
    OP_LOOK_RIGHT,
    OP_UNFOLD_TRAY,
    OP_FOLD_TRAY,
    OP_EXTRUDE_FACE,
    OP_DEPRESS_FACE,
    OP_EXTRUDE_FACES,
    OP_ENLARGE_MARKERS,
    OP_SHRINK_MARKERS,
    OP_EDIT_LINES,
    OP_EDIT_VERTICES,
    OP_EDIT_FACES,
    OP_EDIT_MATERIAL,
    OP_SAVE_GEOMETRY,
    OP_PLACE_SOLID,
    OP_TRANSFORM_GEOMETRY,
    OP_LIST_GEOMETRY,
    OP_PLACE_BILLBOARD,
    OP_SEEK_ITEM,
    OP_REPLICATE,
    OP_TOGGLE_FOG,
    OP_LIST_DEMS,
    OP_SAVE_DEM,
    OP_RAISE_EYE,
    OP_LOWER_EYE,
    OP_LIST_DRAPES,
    OP_RECORD_FLYTHROUGH,
    OP_LIST_FLYTHROUGHS,
    OP_LIST_MAPS,
    OP_EDIT_LIGHT,
    OP_TOGGLE_SKY,
    OP_SEEK_FACE,
    OP_RAISE_EXAGGERATION,
    OP_LOWER_EXAGGERATION,
    OP_SHOW_TEXTURED,
    OP_SHOW_SHADED,
    OP_SHOW_WIRE_FRAME,
    OP_SHOW_POINTS,
};

// One element of the disk or a tray.
struct TrayElement {
    int slot;                 // hot-spot slot, the element's number: 0..HOT_SPOT_SLOTS - 1
    Tray tray;                // the tray it sits on or folds; TRAY_NONE on the disk
    TrayGate gate;            // whether it needs that tray's open flag
    HotSpotKind kind;         // its hit box
    int x, y;                 // centre on the 1024 x 768 reference layout, pixels; y from the bottom
    const char* help;         // help text exactly as shown ("" for none)
    TrayOperation operation;  // what a click does
};

// A tray's picture and the way its panel folds out.
struct TrayPanel {
    Tray tray;
    int picture;  // navi_<picture>.raw and its overlay_textures index; navi_0 is the disk
    int dx, dy;   // unit direction from the disk in the overlay's frame (before its turn)
};

// What picture navi_<number> shows, where the viewer draws it.
struct TrayPicture {
    Tray tray;                     // TRAY_NONE: the disk
    double offset_x, offset_y;     // the panel's offset in overlay units (before the turn)
    int count;                     // elements on it; 0 for an unknown picture
    const TrayElement* elements[9];  // its look pad and arrows or its buttons, by slot
};

constexpr int TRAY_ELEMENT_COUNT = 49;  // slots 0-4 and 6-49
constexpr int TRAY_PANEL_COUNT = 4;
constexpr int TRAY_PICTURE_COUNT = 5;  // navi_0 (the disk) .. navi_4

// Every element, by increasing slot (a lower slot wins where boxes overlap).
extern const TrayElement TRAY_ELEMENTS[TRAY_ELEMENT_COUNT];

// The trays in drawing order: geometry, view, terrain, mesh.
extern const TrayPanel TRAY_PANELS[TRAY_PANEL_COUNT];

// The element of `slot`, or null for a slot without one (5, 50-69, out of range).
const TrayElement* find_tray_element(int slot);

// The layout of picture navi_<number> (0 .. TRAY_PICTURE_COUNT - 1).
TrayPicture find_tray_picture(int number);

// The tray whose open flag the element needs to act, or TRAY_NONE.
Tray tray_needed_by(const TrayElement& element);

// Half-width and half-height of a hit box of `kind` at 1024 x 768, pixels;
// 0 for HOT_NONE and unknown kinds.
int reference_half_width(int kind);
int reference_half_height(int kind);

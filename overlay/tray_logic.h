// What the overlay's elements say and the tray rules that need no GL:
// help texts, which tray a button needs, folding, and the edit-mode toggles.
#pragma once

#include "overlay/tray_table.h"

// The element's help text ("" for slots without one).
const char* tray_help_text(int slot);

// The open flag of `tray`; null for TRAY_NONE.
int* tray_open_flag(Tray tray);

// The open flag a slot's action needs, or null when it acts with every tray
// folded (the disk and the handles).
int* tray_flag_for_slot(int slot);

// Unfolds or folds `tray` (nothing for TRAY_NONE).
void unfold_tray(Tray tray);
void fold_tray(Tray tray);

// A press on the look pad: vertical drags tilt the view until the release.
void start_look_drag();

// An edit-mode button: clears the first mode that is set in the button's own
// scan order, then inverts its own mode; lighting (OP_EDIT_LIGHT) clears
// nothing. Returns false for operations that are no edit-mode toggle.
bool toggle_edit_mode(TrayOperation operation);

// Switches all seven edit modes off (a new terrain is loaded).
void clear_edit_modes();

// A left-button release: ends the look drag and every held disk arrow (the
// forward and backward speeds stop as their arrow keys' release would).
void release_mouse_holds();

// A motion event with the button held at window y (GLUT's, top-down): while
// the look pad is dragged with the overlay shown, moving down tilts the view
// up by 0.1 and moving up tilts it down; y is remembered either way.
void drag_look_pad(int y);

// What the overlay's elements say and the tray rules that need no GL:
// help texts, which tray a button needs, and the edit-mode toggles.
#pragma once

// The element's help text ("" for slots without one).
const char* tray_help_text(int slot);

// The open flag a slot's action needs, or null when it acts with every tray
// folded (the disk and the handles).
int* tray_flag_for_slot(int slot);

// The edit-mode toggle of a tray button (slots 19, 20, 21, 23, 26, 31): clears
// the first mode that is set in the slot's own scan order, then inverts the
// slot's own mode. Returns false for other slots.
bool toggle_edit_mode_for_slot(int slot);

// Switches all seven edit modes off (a new terrain is loaded).
void clear_edit_modes();

// A left-button release: ends the look drag and every held disk arrow (the
// forward and backward speeds stop as their arrow keys' release would).
void release_mouse_holds();

// A motion event with the button held at window y (GLUT's, top-down): while
// the look pad is dragged with the overlay shown, moving down tilts the view
// up by 0.1 and moving up tilts it down; y is remembered either way.
void drag_look_pad(int y);

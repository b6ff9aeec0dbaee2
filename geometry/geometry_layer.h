// The geometry layer's elementary operations (no GL).
#pragma once

// Appends a new item at (x, y, z): angles 0, size 5.0, picture
// augment_billboard for a billboard (kind 4), else 0. Returns its index, or
// -1 when the layer is full (5000 items).
int add_geometry_item(int kind, float x, float y, float z);

// Appends an item with every field given (the picture only for kind 4).
// Returns its index, or -1 when the layer is full.
int append_geometry_item(int kind, float x, float y, float z, float rx, float ry, float rz, float size, int texture);

// True when i names an item in use.
bool is_geometry_item(int i);

// Multi-replicate (digit 5): copies of the selected item along
// replicate_offset, replicate_quantity of them (none for 0 or less); copies
// are unturned, of size 5. A billboard's copies stand 1..q offsets from it
// with its picture; other kinds' copies start on the item itself. Ends
// replicate_mode. Returns the number of copies made, or -1 when no item is
// selected (nothing changes then); a full layer takes what fits.
int replicate_selected();

// Adds offsets to item i's position / angles; nothing for an index not in use.
void move_geometry_item(int i, float dx, float dy, float dz);
void rotate_geometry_item(int i, float drx, float dry, float drz);

// The geometry layer from the user interface: placing items, replicating,
// loading a layer from the Vector menu or the file panel.
#pragma once

// Adds an item of `kind` at the eye, then steps the camera back for one
// drawn frame so the new object comes into view. A full layer is reported.
void place_at_eye(int kind);

// Digit 5 in multi-replicate mode: replicate_selected, saying so when the
// layer filled up before every copy was made.
void replicate_now();

// Loads ./Vector/<name> as the whole layer. A file that cannot be read or
// does not scan is reported on the console and the message line and the
// current layer stays.
bool load_geometry_layer(const char* name);

// Vector submenu handler: prints the file's name, closes the file panel and
// loads the layer listed under `value`.
void on_vector_menu(int value);

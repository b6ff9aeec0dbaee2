// Placing geometry items from the user interface.
#pragma once

// Adds an item of `kind` at the eye, then steps the camera back for one
// drawn frame so the new object comes into view. A full layer is reported.
void place_at_eye(int kind);

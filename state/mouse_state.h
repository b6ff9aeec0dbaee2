// Mouse and picking: the picked face's corner markers.
//
// Owns: pick_marker.
// Lifetime: all at the origin until the first pick.
// Writers: picking and mesh editing.
#pragma once

extern double pick_marker[3][3];  // corners 0, 1, 2 of the picked face, world units

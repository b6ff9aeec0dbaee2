// Reshaping the terrain by hand: moving the picked face's vertices (no GL;
// the callers rebuild the display list and refresh the markers).
#pragma once

// Moves each of the face's three corner vertices, corner 0 first, by
// edit_amount times the face's normal (x of all three, then y, then z).
// A face outside the mesh (or an empty mesh) is left alone; returns whether
// anything moved.
bool extrude_face(int face);

// The same with -edit_amount.
bool depress_face(int face);

// Mesh editing: the distance of one edit step.
//
// Owns: edit_amount.
// Lifetime: every terrain load sets it to 1.0.
// Writers: the loader, the Terrain menu's edit-amount entries.
#pragma once

extern float edit_amount;  // distance of one edit step, world units; 15.0 until the first load; unbounded

// Stereo: the anaglyph switch.
//
// Owns: stereo_on.
// Writers: the Stereo menu.
#pragma once

extern int stereo_on;  // 1: the terrain is drawn as a red/blue anaglyph pair

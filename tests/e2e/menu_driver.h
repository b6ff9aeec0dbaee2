// Drives the viewer's right-button pop-up menus in end-to-end tests as a person would: open, point, click.
#pragma once

#include <vector>

#include "tests/e2e/harness.h"

// Use from one thread, with one viewer's menus on the display at a time (menus are told apart from other windows
// only by being pop-up windows that were not there before the viewer started). Pointer positions are chosen from
// the menus' own pixels, so any menu font works; entries whose labels draw nothing cannot be told apart.

// Right-clicks at (x, y) in the viewer's window to open its pop-up menu, then for each index in path moves to the
// entry with that 0-based index in the newest open menu (so its submenu opens) and finally right-clicks the last one.
// Returns once the menus have closed and the viewer has painted over where they were (so a screenshot shows no
// menu), or at once if the viewer ended. False with a message on stderr, leaving no menu open, if a menu does not
// appear, an index is beyond its menu's entries, the last entry opens a submenu, or a wait runs out (each wait is
// bounded: a few seconds, ten for the viewer to paint while it may be busy with what was chosen).
bool choose_menu_entry(const ViewerProcess* p, int x, int y, const std::vector<int>& path);

// Right-clicks at (x, y) in the viewer's window to open its pop-up menu, then points at each entry of path in turn
// (each must open a submenu) and leaves all those menus open, e.g. for count_open_menu_entries; path may be empty.
// False with a message on stderr, leaving no menu open, as for choose_menu_entry.
bool open_menu_path(const ViewerProcess* p, int x, int y, const std::vector<int>& path);

// The number of entries of the newest open pop-up menu (0 for an empty one), or -1 if none is open or its entries
// cannot be read within a few seconds (then with a message on stderr). Moves nothing and chooses nothing.
int count_open_menu_entries(const ViewerProcess* p);

// Closes every open pop-up menu, choosing nothing, by right-clicking the newest one's frame, and waits (at most ten
// seconds) until the viewer has painted over them; a failed test calls it to leave the viewer usable. Safe when no
// menu is open; says so on stderr if menus stay open.
void dismiss_menus(const ViewerProcess* p);

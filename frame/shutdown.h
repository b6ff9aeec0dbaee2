// Ending the program from the window: the farewell and the release of what
// the viewer holds.
#pragma once

// Prints the farewell banner, releases the terrain, its texture and list,
// and ends the process with status 0 (Escape and the main menu's "Exit").
[[noreturn]] void exit_viewer();

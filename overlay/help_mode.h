// Help mode: the overlay's elements explain themselves on the message line.
#pragma once

// Flips help_mode. Switched on it shows "Help Mode (h) to Toggle", draws a
// frame at once and, when open_trays is set (the 'h' key), unfolds all four
// trays; switched off it hides the message line and leaves the trays.
void toggle_help_mode(bool open_trays);

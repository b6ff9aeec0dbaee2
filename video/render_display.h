// The X display the flight-rendering mode draws on: the user's, when one can
// be opened, else a private Xvfb started for the run and stopped after it.
#pragma once

#include <cstddef>

// The private server's key is TEMPORARY_FOLDER/<this>-<pid>-<letters>.
constexpr const char* XAUTH_FILE_PREFIX = "kestrolane-xauth";

// Makes DISPLAY name a display that accepts connections, starting a private
// Xvfb with a screen of the given size (reachable only through the key it
// puts in XAUTHORITY) when DISPLAY is unset or cannot be opened. Returns
// false with a message when there is none and Xvfb is missing or does not
// start within 15 s; `description` says which display is used.
bool open_render_display(int screen_width, int screen_height, char* description, size_t description_size,
                         char* error, size_t error_size);

// Stops the private Xvfb, if one was started, and waits (3 s at most) for it
// to end; safe to call twice and from a signal handler.
void close_render_display();

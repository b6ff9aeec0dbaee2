// Publishing the frame count on the window, so that a test driving the real
// program can wait for frames instead of sleeping.
#pragma once

// Name of the environment variable that turns publishing on (any value).
constexpr const char* FRAME_REPORT_VARIABLE = "KESTROLANE_REPORT_FRAMES";

// Name of the window property (32-bit CARDINAL, two items) that holds
// frames_drawn, then terrain_level_draws: both set by one request, so that a
// reader sees the two of the same frame.
constexpr const char* FRAME_REPORT_PROPERTY = "_KESTROLANE_FRAMES";

// After a swap: stores frames_drawn and terrain_level_draws in the current
// window's property when publishing is on; does nothing otherwise (one
// getenv, at the first call).
void report_frame_count();

// The start-up console dialogue: banner, help text and the Config Utility.
#pragma once

#include <cstddef>
#include <cstdio>

// What the viewer's command line asks for.
struct ViewerOptions {
    bool quads = false;       // "-q": face pairs drawn as quads after the first rebuild
    bool lod_given = false;   // "--lod-error PX" was given
    float lod_error = 1.0f;   // its bound in pixels; >= 0
    int stereo_mode = -1;     // "--stereo [MODE]": a StereoMode to start in; -1 starts in mono
};

// Reads "-q", "--lod-error PX" (also "--lod-error=PX") and "--stereo MODE"
// (also "--stereo=MODE"; alone, red/blue) from the viewer's arguments, in
// any order; other arguments are left alone. False, with the reason in
// `error`, when --lod-error has no number of pixels 0 or above or
// "--stereo=" names no mode.
bool parse_viewer_options(int argc, const char* const* argv, ViewerOptions* out, char* error, size_t error_size);

// Prints the banner, asks "Press h for Help or Enter to Continue...", and
// sets terrain_file_name, texture_file_name, texture_width, texture_height
// and texture_components from the answers read from `in`.
void run_start_dialogue(FILE* in);

// Prints the help text shown for the answer 'h'.
void print_help_text();

// Texture side for a Config Utility size answer (1..4); any other answer
// gives 1024 and prints "Going with 1024x1024".
int texture_size_for_answer(long answer);

// Components for a colour answer: 2 is greyscale (1), anything else colour (3).
int texture_components_for_answer(long answer);

// Removes from the folders the viewer saves into (the working folder for
// dump.dem, Flythrough, Vector, Screenshots) the temporary files of saves
// whose process is gone, and says how many there were.
void sweep_save_temporaries();

// The start-up console dialogue: banner, help text and the Config Utility.
#pragma once

#include <cstdio>

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

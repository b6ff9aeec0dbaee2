// Definitions of the keyboard state; reset_keyboard_state gives every start value.
#include "state/keyboard_state.h"

int filename_entry_active;
int filename_entry_saves_flythrough;
int filename_entry_saves_vector;
char filename_text[FILENAME_TEXT_SIZE];
int filename_length;
int filename_prefix_length;
char filename_prompt[FILENAME_PROMPT_SIZE];
int light_edit_mode;

void reset_keyboard_state() {
    filename_entry_active = filename_entry_saves_flythrough = filename_entry_saves_vector = 0;
    filename_text[0] = '\0';
    filename_length = filename_prefix_length = 0;
    filename_prompt[0] = '\0';
    light_edit_mode = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool keyboard_state_started = (reset_keyboard_state(), true);

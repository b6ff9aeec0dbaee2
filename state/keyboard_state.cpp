// Definitions of the keyboard state.
#include "state/keyboard_state.h"

int filename_entry_active = 0;
int filename_entry_saves_flythrough = 0;
int filename_entry_saves_vector = 0;
char filename_text[FILENAME_TEXT_SIZE] = "";
int filename_length = 0;
int filename_prefix_length = 0;
int filename_overflow = 0;
char filename_prompt[FILENAME_PROMPT_SIZE] = "";
int light_edit_mode = 0;

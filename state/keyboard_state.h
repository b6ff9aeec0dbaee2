// Keyboard: the file-name entry and the lighting edit switch.
//
// Owns: filename_entry_active, the two save flags, filename_text,
// filename_length, filename_prompt, light_edit_mode.
// Lifetime: an entry runs from a prompt to Enter; the switch is toggled by the view tray.
// Writers: the file-name entry (overlay/filename_entry.cpp), which the
// keyboard and the trays start; the trays' mode rules (overlay/tray_logic.cpp:
// light_edit_mode).
#pragma once

constexpr int FILENAME_TEXT_SIZE = 52;     // bytes of filename_text
constexpr int FILENAME_MAX_LENGTH = 47;    // longest path that leaves room for ".flt" / ".vec" and the terminator
constexpr int FILENAME_PROMPT_SIZE = 200;  // bytes of filename_prompt

extern int filename_entry_active;             // 1: every key goes into the file name
extern int filename_entry_saves_flythrough;   // 1: Enter saves the recorded flythrough
extern int filename_entry_saves_vector;       // 1: Enter saves the geometry layer
extern char filename_text[FILENAME_TEXT_SIZE];       // directory prefix + typed name (+ extension on Enter)
extern int filename_length;                   // characters in filename_text; prefix..FILENAME_MAX_LENGTH
extern int filename_prefix_length;            // length of this entry's directory prefix (13 or 9)
extern char filename_prompt[FILENAME_PROMPT_SIZE];   // "Enter FileName: %s" with filename_text
extern int light_edit_mode;                   // 1: the digit keys edit GL_LIGHT0 (first in the digit order)

// Puts every variable of the group back to its start value: no entry, empty name.
void reset_keyboard_state();

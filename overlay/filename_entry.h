// Typing a file name into the window to save a flythrough or geometry layer.
#pragma once

enum FilenameAction {
    FILENAME_TYPING,           // the key went into the name (or was ignored)
    FILENAME_SAVE_FLYTHROUGH,  // Enter: save the flythrough to filename_text (".flt" appended)
    FILENAME_SAVE_VECTOR,      // Enter: save the geometry layer to filename_text (".vec" appended)
    FILENAME_DONE,             // Enter with neither save flag set
    FILENAME_CANCEL_FLYTHROUGH,  // Esc: the flythrough's entry ended, nothing to save
    FILENAME_CANCEL_VECTOR,      // Esc: the geometry layer's entry ended, nothing to save
};

// Starts an entry under "./Flythrough/" (sets the flythrough save flag).
// One name is typed at a time: while another entry is open this one is
// refused with a message and false comes back.
bool prompt_flythrough_name();

// Starts an entry under "./Vector/" (sets the vector save flag); refused as
// prompt_flythrough_name is while another entry is open.
bool prompt_vector_name();

// Applies one key to the active entry. Backspace (8) removes a typed
// character (never the prefix); Enter (13) ends the entry, appends the
// extension of the save it reports and clears that save's flag; Esc (27)
// ends the entry and clears its flag without a save; printable characters
// other than '/' and '\' are appended while the path stays within 47
// characters; every other key is ignored. A name that is empty or begins
// with a dot would be hidden from every list: Enter refuses it with a message
// and the entry stays open. A character that does not fit is refused with a
// message and not kept. The prompt is rebuilt unless the entry ended.
FilenameAction apply_filename_key(unsigned char key);

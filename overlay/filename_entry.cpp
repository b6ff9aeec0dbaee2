// Typing a file name into the window to save a flythrough or geometry layer.
#include "overlay/filename_entry.h"

#include <cstdio>
#include <cstring>

#include "state/keyboard_state.h"
#include "state/overlay_state.h"

constexpr unsigned char KEY_BACKSPACE = 8;
constexpr unsigned char KEY_ENTER = 13;
constexpr unsigned char KEY_ESCAPE = 27;

namespace {

void start_entry(const char* prefix) {
    snprintf(filename_text, sizeof filename_text, "%s", prefix);
    filename_length = (int)strlen(filename_text);
    filename_prefix_length = filename_length;
    filename_entry_active = 1;
    snprintf(filename_prompt, sizeof filename_prompt, "Enter FileName: %s", filename_text);
}

// Path separators would leave the asset directory; control characters
// cannot be shown or typed back.
bool is_name_character(unsigned char key) { return key >= 32 && key < 127 && key != '/' && key != '\\'; }

void append_extension(const char* extension) {
    snprintf(filename_text + filename_length, sizeof filename_text - (size_t)filename_length, "%s", extension);
}

// A second prompt would take over the first one's Enter (a recording saved
// under the layer's folder, say), so it waits until the first is done.
bool refuse_second_entry() {
    if (!filename_entry_active) return false;
    report_problem("Finish typing the name on screen first: Enter saves it");
    return true;
}

void refuse_long_name() {
    show_message("The name is too long: at most %d characters fit; that one was not added",
                 FILENAME_MAX_LENGTH - filename_prefix_length);
}

}  // namespace

bool prompt_flythrough_name() {
    if (refuse_second_entry()) return false;
    start_entry("./Flythrough/");
    filename_entry_saves_flythrough = 1;
    return true;
}

bool prompt_vector_name() {
    if (refuse_second_entry()) return false;
    start_entry("./Vector/");
    filename_entry_saves_vector = 1;
    return true;
}

FilenameAction apply_filename_key(unsigned char key) {
    if (key == KEY_ESCAPE) {
        filename_entry_active = 0;
        hide_message();
        if (filename_entry_saves_flythrough) {
            filename_entry_saves_flythrough = 0;
            return FILENAME_CANCEL_FLYTHROUGH;
        }
        filename_entry_saves_vector = 0;
        return FILENAME_CANCEL_VECTOR;
    }
    if (key == KEY_ENTER) {
        if (filename_length == filename_prefix_length || filename_text[filename_prefix_length] == '.') {
            report_problem("Type a name that does not begin with a dot, then press Enter");
            return FILENAME_TYPING;
        }
        filename_entry_active = 0;
        if (filename_entry_saves_flythrough) {
            append_extension(".flt");
            filename_entry_saves_flythrough = 0;
            return FILENAME_SAVE_FLYTHROUGH;
        }
        if (filename_entry_saves_vector) {
            append_extension(".vec");
            filename_entry_saves_vector = 0;
            return FILENAME_SAVE_VECTOR;
        }
        return FILENAME_DONE;
    }
    if (key == KEY_BACKSPACE) {
        hide_message();
        if (filename_length > filename_prefix_length) filename_text[--filename_length] = '\0';
    } else if (is_name_character(key)) {
        // A character that does not fit is refused where the user sees it,
        // never kept out of sight.
        if (filename_length < FILENAME_MAX_LENGTH) {
            filename_text[filename_length++] = (char)key;
            filename_text[filename_length] = '\0';
        } else {
            refuse_long_name();
        }
    }
    snprintf(filename_prompt, sizeof filename_prompt, "Enter FileName: %s", filename_text);
    return FILENAME_TYPING;
}

// The keyboard: the typed file names first, then the key table's commands.
#include "input/keyboard.h"

#include <cstdio>

#include "flythrough/flythrough.h"
#include "geometry/geometry_file.h"
#include "input/key_table.h"
#include "overlay/filename_entry.h"
#include "state/asset_state.h"
#include "state/flythrough_state.h"
#include "state/keyboard_state.h"
#include "state/overlay_state.h"

namespace {

// Saving the typed name: each save says what failed itself, and the prompt
// opens again. The recorded frames and placed items stay in memory whatever
// happens.
bool save_typed_vector(const char* path) {
    char error[GEOMETRY_ERROR_SIZE];
    if (write_geometry_layer(path, error, sizeof error)) {
        dismiss_problem();
        return true;
    }
    report_problem("%s", error);
    return false;
}

void finish_filename_entry(FilenameAction action) {
    if (action == FILENAME_SAVE_FLYTHROUGH) {
        if (save_flythrough(filename_text)) {
            flythrough_unsaved = 0;
            relist_saved_assets(SAVED_FLYTHROUGH);
        } else {
            prompt_flythrough_name();
        }
    } else if (action == FILENAME_SAVE_VECTOR) {
        if (save_typed_vector(filename_text)) {
            relist_saved_assets(SAVED_VECTOR);
        } else {
            prompt_vector_name();
        }
    } else if (action == FILENAME_CANCEL_FLYTHROUGH) {
        show_message("Not saved: the recording stays in memory; SPACE asks for its name again");
    } else if (action == FILENAME_CANCEL_VECTOR) {
        show_message("Not saved: the geometry layer stays in memory; its floppy asks for a name again");
    }
    fflush(stdout);
}

}  // namespace

void on_keyboard(unsigned char key, int, int) {
    if (filename_entry_active) {
        finish_filename_entry(apply_filename_key(key));
        return;
    }
    run_key_command(key, false, 0);
}

void on_special_key_command(int key, int modifiers) { run_key_command(key, true, modifiers); }

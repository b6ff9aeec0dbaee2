// Recording, saving and playing flythroughs from the user interface.
#include "flythrough/flythrough.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "flythrough/flythrough_file.h"
#include "flythrough/frame_modes.h"
#include "state/asset_state.h"
#include "state/flythrough_state.h"
#include "state/frame_state.h"
#include "state/keyboard_state.h"
#include "state/overlay_state.h"

void start_recording() {
    // A new recording would take the samples still waiting for their name.
    if (filename_entry_active && filename_entry_saves_flythrough) {
        report_problem("Type a name and press Enter to save the recording before recording again");
        show_frame();
        return;
    }
    if (!begin_recording()) {
        show_message("Already in Record!");
        show_frame();
    } else {
        flythrough_unsaved = 0;  // a recording whose naming was cancelled gives way to the new one
    }
    show_message("Recording...SPACE to stop");
    show_frame();
}

bool save_flythrough(const char* path) {
    char error[FLYTHROUGH_ERROR_SIZE];
    // A name in use is replaced, as it always was, but no longer silently.
    struct stat info;
    bool replacing = lstat(path, &info) == 0;
    if (write_flythrough_file(path, error, sizeof error)) {
        dismiss_problem();
        if (replacing) show_message("Replaced %s", strncmp(path, "./", 2) == 0 ? path + 2 : path);
        return true;
    }
    report_problem("%s", error);
    return false;
}

bool load_flythrough(const char* name, bool from_menu) {
    // Loading reuses the sample buffer: a recording not yet saved would be lost.
    if (mode_record) {
        report_problem("Recording...press SPACE and save it before loading %s", name);
        return false;
    }
    if (filename_entry_active && filename_entry_saves_flythrough) {
        report_problem("Type a name and press Enter to save the recording before loading %s", name);
        return false;
    }
    if (from_menu) {
        printf("Opening Flythrough File: %s", name);
        fflush(stdout);
    }
    show_message("Playing Flythrough: %s", name);
    show_frame();

    char path[FLYTHROUGH_PATH_SIZE], error[FLYTHROUGH_ERROR_SIZE];
    int length = snprintf(path, sizeof path, "./Flythrough/%s", name);
    if (length < 0 || length >= (int)sizeof path) {
        snprintf(error, sizeof error, "The flythrough name %.40s... is too long", name);
        report_problem("%s", error);
        return false;
    }
    int frames = read_flythrough_file(path, error, sizeof error);
    if (frames <= 0) {
        report_problem("%s", error);
        return false;
    }
    printf("No. of Frames: %d\n", frames);
    fflush(stdout);
    flythrough_unsaved = 0;  // the samples are the file's now
    begin_playback(frames);
    return true;
}

void on_flythrough_menu(int value) {
    if (value < FIRST_MENU_VALUE || value > LAST_MENU_VALUE || flythrough_menu_names[value][0] == '\0') return;
    load_flythrough(flythrough_menu_names[value], true);
}

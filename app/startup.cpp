// The start-up console dialogue: banner, help text and the Config Utility.
#include "app/startup.h"

#include <cstdio>

#include <cstring>

#include "camera/stereo_camera.h"
#include "files/console.h"
#include "files/whole_file.h"
#include "frame/scene_init.h"
#include "gl/screenshot.h"
#include "state/app_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_levels.h"

namespace {

void print_stars(int count) {
    for (int i = 0; i < count; ++i) printf("*");
    printf("\n");
}

void print_banner() {
    print_stars(76);
    printf("         Welcome to Kestrolane- the Stereo DEM Flythrough Demo\n");
    printf("%72s\n", "");
    printf("         Fly over terrain, edit it and present it in red/blue stereo\n");
    printf("         Built by the Kestrolane terrain team\n");
    printf("         Put on your anaglyph glasses: red left, blue right\n");
    print_stars(76);
}

// Asks for a file name until one fits the buffer; a name is the whole line.
void ask_file_name(FILE* in, const char* prompt, char* out, size_t size) {
    for (;;) {
        printf("%s", prompt);
        fflush(stdout);
        if (read_console_name(in, out, size)) return;
        printf("\nThat name is longer than %zu characters; enter a shorter one.\n", size - 1);
    }
}

void run_config_utility(FILE* in) {
    printf("\nConfig Utility\n");
    ask_file_name(in, "Enter Terrain File Name (obj):", terrain_file_name, sizeof terrain_file_name);
    ask_file_name(in, "Enter Texture File Name (obj):", texture_file_name, sizeof texture_file_name);
    printf("Texture Size 1) 256 2) 512 3)1024 4)2048 ?");
    fflush(stdout);
    long size_answer = read_console_number(in, 0);
    printf("1)Color 2)GreyScale ?");
    fflush(stdout);
    long colour_answer = read_console_number(in, 0);
    texture_width = texture_height = texture_size_for_answer(size_answer);
    texture_components = texture_components_for_answer(colour_answer);
}

}  // namespace

int texture_size_for_answer(long answer) {
    switch (answer) {
        case 1: return 256;
        case 2: return 512;
        case 3: return 1024;
        case 4: return 2048;
        default:
            printf("Going with 1024x1024");
            return 1024;
    }
}

int texture_components_for_answer(long answer) { return answer == 2 ? 1 : 3; }

void print_help_text() {
    printf("Help:\n");
    printf("a)Navigation:\n 1)Arrow Keys to move around\n 2)Ctrl+Up Arrow or Ctrl+Down Arrow to change height\n");
    printf(" 3)Alt+Up Arrow or Alt+Down Arrow to change Look Angle\n");
    printf("b)User Interface:\n 1)Shift+I to Toggle User Interface\n");
    printf(" 2)Right Click for Menu\n");
    printf(" 3)Click the Semi-Circular Handles to Expand/Collapse UI trays\n");
    printf("c)Help Mode:\n");
    printf(" 1)For more help on each UI tray invoke Help mode\n");
    printf(" 2)To Toggle Help Mode press h inside the applicaiton\n");
    printf(" 3)In Help Mode move your mouse over any UI element for description\n");
    printf("d)Joystick:\n 1)To use joystick, make sure it is connected and callibrated\n");
    printf(" 2)Click Button 1 on the joystick once Kestrolane is Loaded\n");
    printf(" 3)Joystick Handle controls motion\n 4)Keep Button 1 pressed and move handle to change Height\n");
    printf(" 5)Keep Button 2 Pressed and move handle to change Look Angle\n");
    printf("e)ESC to quit");
    printf(" \n\n**********************************************************************\n");
}

void run_start_dialogue(FILE* in) {
    print_banner();
    printf("\n\nPress h for Help or Enter to Continue...");
    fflush(stdout);
    int answer = read_console_char(in);
    discard_console_line(in, answer);
    if (answer == 'h') {
        print_help_text();
        printf("\n\n Press Enter to continue...");
        fflush(stdout);
        int c = read_console_char(in);
        discard_console_line(in, c);
    }
    if (answer == 'n') run_config_utility(in);
    else use_default_start_files();
    fflush(stdout);
}

bool parse_viewer_options(int argc, const char* const* argv, ViewerOptions* out, char* error, size_t error_size) {
    *out = ViewerOptions();
    const char* option = "--lod-error";
    size_t option_length = strlen(option);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "-q") == 0) {
            out->quads = true;
            continue;
        }
        if (strcmp(arg, "--stereo") == 0 || strncmp(arg, "--stereo=", 9) == 0) {
            // Bare, it means red/blue; a word after it that is no option must
            // name a mode (a mistyped one is refused, not taken for red/blue).
            const char* name = arg[8] == '=' ? arg + 9 : i + 1 < argc && argv[i + 1][0] != '-' ? argv[++i] : nullptr;
            out->stereo_mode = name ? find_stereo_mode(name) : STEREO_RED_BLUE;
            if (out->stereo_mode < 0) {
                snprintf(error, error_size,
                         "--stereo wants red-blue, red-cyan, side-by-side, side-by-side-half, top-bottom, "
                         "top-bottom-half or rows, not \"%.40s\"",
                         name);
                return false;
            }
            continue;
        }
        if (strncmp(arg, option, option_length) != 0 || (arg[option_length] != '\0' && arg[option_length] != '='))
            continue;
        const char* value = arg[option_length] == '=' ? arg + option_length + 1 : i + 1 < argc ? argv[++i] : nullptr;
        if (!value || !parse_lod_error(value, &out->lod_error)) {
            snprintf(error, error_size,
                     "--lod-error wants the largest error in pixels, a number such as 1 or 0.5 (0 draws every face "
                     "exactly), not \"%.40s\"",
                     value ? value : "");
            return false;
        }
        out->lod_given = true;
    }
    return true;
}

void sweep_save_temporaries() {
    int removed = 0;
    for (const char* folder : {"", "Flythrough", "Vector", SCREENSHOT_FOLDER}) removed += sweep_stale_saves(folder);
    if (removed > 0) {
        printf("Removed %d unfinished save%s left by an earlier run\n", removed, removed == 1 ? "" : "s");
        fflush(stdout);
    }
}

// Definitions of the window, start-up and light state; reset_app_state gives
// every start value.
#include "state/app_state.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

int window_width;
int window_height;
int drawable_width;
int drawable_height;
int full_screen;

char terrain_file_name[FILE_NAME_SIZE];
char texture_file_name[FILE_NAME_SIZE];

int dem_menu;
int drape_menu;
int map_menu;
int flythrough_menu;
int vector_menu;
int file_menu;

float light0_position[4];
float light0_ambient[4];
float light0_diffuse[4];
float light0_specular[4];

namespace {

void set_four(float* out, float a, float b, float c, float d) {
    out[0] = a;
    out[1] = b;
    out[2] = c;
    out[3] = d;
}

}  // namespace

void reset_app_state() {
    window_width = 200;
    window_height = 200;
    drawable_width = 200;
    drawable_height = 200;
    full_screen = 0;
    terrain_file_name[0] = '\0';
    texture_file_name[0] = '\0';
    dem_menu = drape_menu = map_menu = flythrough_menu = vector_menu = file_menu = 0;
    set_four(light0_position, 10.0f, 10.0f, 10.0f, 1.0f);
    set_four(light0_ambient, 0.75f, 0.75f, 0.75f, 1.0f);
    set_four(light0_diffuse, 0.75f, 0.75f, 0.75f, 1.0f);
    set_four(light0_specular, 0.75f, 0.75f, 0.75f, 1.0f);
}

void fatal_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fflush(stdout);
    // Keep the console open until the user has read the message.
    getchar();
    exit(1);
}

// The start values hold from before main.
[[maybe_unused]] static const bool app_state_started = (reset_app_state(), true);

// Definitions of the window, start-up and light state.
#include "state/app_state.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

int window_width = 200;
int window_height = 200;
int full_screen = 0;

char terrain_file_name[FILE_NAME_SIZE] = "";
char texture_file_name[FILE_NAME_SIZE] = "";

int dem_menu = 0;
int drape_menu = 0;
int map_menu = 0;
int flythrough_menu = 0;
int vector_menu = 0;
int file_menu = 0;

float light0_position[4] = {10.0f, 10.0f, 10.0f, 1.0f};
float light0_ambient[4] = {0.75f, 0.75f, 0.75f, 1.0f};
float light0_diffuse[4] = {0.75f, 0.75f, 0.75f, 1.0f};
float light0_specular[4] = {0.75f, 0.75f, 0.75f, 1.0f};

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

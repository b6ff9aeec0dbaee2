// Definitions of the overlay state and the message-line writer.
#include "state/overlay_state.h"

#include <cstdarg>
#include <cstdio>

int overlay_visible = 1;
int geometry_tray_open = 0;
int view_tray_open = 0;
int terrain_tray_open = 0;
int mesh_tray_open = 0;
char message_text[MESSAGE_TEXT_SIZE] = "";
int message_visible = 0;
int message_is_problem = 0;
char fps_text[FPS_TEXT_SIZE] = "";
char item_readout_text[FPS_TEXT_SIZE] = "";
int help_mode = 0;
int look_drag_active = 0;
int hold_forward = 0;
int hold_backward = 0;
int hold_look_left = 0;
int hold_look_right = 0;

HotSpot hot_spots[HOT_SPOT_SLOTS];
float hot_half_width[HOT_KIND_COUNT];
float hot_half_height[HOT_KIND_COUNT];

unsigned int overlay_textures[OVERLAY_TEXTURES];
unsigned int handle_texture = 0;
unsigned int billboard_textures[BILLBOARD_PICTURES];
unsigned int tray_panel_list = 0;
unsigned int tray_handle_list = 0;
unsigned int billboard_quad_list = 0;

namespace {

void show_message_v(const char* format, va_list args) {
    vsnprintf(message_text, sizeof message_text, format, args);
    message_visible = 1;
    message_is_problem = 0;
}

}  // namespace

void show_message(const char* format, ...) {
    va_list args;
    va_start(args, format);
    show_message_v(format, args);
    va_end(args);
}

void reveal_message() { message_visible = 1; }

void hide_message() { message_visible = 0; }

void report_problem(const char* format, ...) {
    va_list args;
    va_start(args, format);
    show_message_v(format, args);
    va_end(args);
    printf("\n%s\n", message_text);
    fflush(stdout);
    message_is_problem = 1;
}

void dismiss_problem() {
    if (message_is_problem) message_visible = message_is_problem = 0;
}

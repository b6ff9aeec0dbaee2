// Definitions of the overlay state (reset_overlay_state gives every start
// value) and the message-line writer.
#include "state/overlay_state.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

int overlay_visible;
int geometry_tray_open;
int view_tray_open;
int terrain_tray_open;
int mesh_tray_open;
char message_text[MESSAGE_TEXT_SIZE];
int message_visible;
int message_is_problem;
char fps_text[FPS_TEXT_SIZE];
char item_readout_text[FPS_TEXT_SIZE];
int help_mode;
int look_drag_active;
int hold_forward;
int hold_backward;
int hold_look_left;
int hold_look_right;

HotSpot hot_spots[HOT_SPOT_SLOTS];
float hot_half_width[HOT_KIND_COUNT];
float hot_half_height[HOT_KIND_COUNT];

// GL names: 0 until start-up makes the pictures and lists, then kept for the
// life of the GL context (a reset leaves them).
unsigned int overlay_textures[OVERLAY_TEXTURES];
unsigned int handle_texture;
unsigned int billboard_textures[BILLBOARD_PICTURES];
unsigned int tray_panel_list;
unsigned int tray_handle_list;
unsigned int billboard_quad_list;

namespace {

void show_message_v(const char* format, va_list args) {
    vsnprintf(message_text, sizeof message_text, format, args);
    message_visible = 1;
    message_is_problem = 0;
}

}  // namespace

void reset_overlay_state() {
    overlay_visible = 1;
    geometry_tray_open = view_tray_open = terrain_tray_open = mesh_tray_open = 0;
    message_text[0] = '\0';
    message_visible = 0;
    message_is_problem = 0;
    fps_text[0] = '\0';
    item_readout_text[0] = '\0';
    help_mode = 0;
    look_drag_active = 0;
    hold_forward = hold_backward = hold_look_left = hold_look_right = 0;
    memset(hot_spots, 0, sizeof hot_spots);
    memset(hot_half_width, 0, sizeof hot_half_width);
    memset(hot_half_height, 0, sizeof hot_half_height);
}

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

// The start values hold from before main.
[[maybe_unused]] static const bool overlay_state_started = (reset_overlay_state(), true);

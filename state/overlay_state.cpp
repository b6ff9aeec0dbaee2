// Definitions of the overlay state and the message-line writer.
#include "state/overlay_state.h"

#include <cstdarg>
#include <cstdio>

int overlay_visible = 1;
char message_text[MESSAGE_TEXT_SIZE] = "";
int message_visible = 0;
int help_mode = 0;
int hold_look_left = 0;
int hold_look_right = 0;
int file_panel_open = 0;
int light_edit_mode = 0;

void show_message(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(message_text, sizeof message_text, format, args);
    va_end(args);
    message_visible = 1;
}

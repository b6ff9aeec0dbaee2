// Overlay: visibility, the message line and the held navigation-disk arrows.
//
// Owns: overlay_visible, message_text, message_visible, help_mode,
// hold_look_left, hold_look_right, file_panel_open, light_edit_mode.
// Lifetime: for the life of the process.
// Writers: the overlay and keyboard; any operation that shows a status text.
#pragma once

constexpr int MESSAGE_TEXT_SIZE = 204;  // bytes of message_text

extern int overlay_visible;                    // 1: the disk and trays are drawn
extern char message_text[MESSAGE_TEXT_SIZE];   // the message line's text; at most 203 characters
extern int message_visible;                    // 1: the message line is drawn each frame
extern int help_mode;                          // 1 while help mode is on
extern int hold_look_left;                     // 1 while the disk's look-left arrow is held
extern int hold_look_right;                    // 1 while the disk's look-right arrow is held
extern int file_panel_open;                    // 1 while the file-list panel is shown
extern int light_edit_mode;                    // 1: the digit keys edit the light

// Writes a status text into message_text (truncated to fit) and shows it.
void show_message(const char* format, ...);

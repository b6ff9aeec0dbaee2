// Overlay: visibility, tray flags, the message and frame-rate lines, help
// mode and the held navigation-disk controls.
//
// Owns: overlay_visible, the four tray open flags, message_text,
// message_visible, fps_text, item_readout_text, help_mode, look_drag_active, hold_forward,
// hold_backward, hold_look_left, hold_look_right.
// Lifetime: for the life of the process.
// Writers: the overlay, the keyboard, the main menu; message_text and
// message_visible change only through the message functions below.
#pragma once

constexpr int MESSAGE_TEXT_SIZE = 204;  // bytes of message_text
constexpr int FPS_TEXT_SIZE = 64;       // bytes of fps_text

extern int overlay_visible;                    // 1: the disk and trays are drawn
extern int geometry_tray_open;                 // 1: the geometry tray is unfolded
extern int view_tray_open;                     // 1: the view tray is unfolded
extern int terrain_tray_open;                  // 1: the terrain tray is unfolded
extern int mesh_tray_open;                     // 1: the mesh tray is unfolded
extern char message_text[MESSAGE_TEXT_SIZE];   // the message line's text; at most 203 characters
extern int message_visible;                    // 1: the message line is drawn each frame
extern char fps_text[FPS_TEXT_SIZE];           // the frame-rate line; rewritten at most once a second
extern char item_readout_text[FPS_TEXT_SIZE];  // a moved item's position, shown in place of fps_text until its next update; "" when none
extern int help_mode;                          // 1 while help mode is on
extern int look_drag_active;                   // 1 while a drag on the look pad tilts the view
extern int hold_forward;                       // 1 while the disk's forward arrow is held
extern int hold_backward;                      // 1 while the disk's backward arrow is held
extern int hold_look_left;                     // 1 while the disk's look-left arrow is held
extern int hold_look_right;                    // 1 while the disk's look-right arrow is held

// Writes a status text into message_text (truncated to fit) and shows it.
void show_message(const char* format, ...);

// Shows the message line again with the text it last held.
void reveal_message();

// Hides the message line; its text is kept.
void hide_message();

// A recoverable problem: prints the text on the console on a line of its own
// and shows it on the message line. The caller keeps a safe state.
void report_problem(const char* format, ...);

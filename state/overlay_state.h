// Overlay: visibility, tray flags, the message and frame-rate lines, help
// mode and the held navigation-disk controls.
//
// Owns: overlay_visible, the four tray open flags, the hot-spot table, the
// overlay and billboard textures and lists, message_text,
// message_visible, message_is_problem, fps_text, item_readout_text, help_mode, look_drag_active, hold_forward,
// hold_backward, hold_look_left, hold_look_right.
// Lifetime: for the life of the process; the textures and lists are made
// once at start-up, the hot spots again at every reshape.
// Writers: overlay/ (layout, trays, help mode, read-outs, the pictures),
// the keyboard (input/keyboard.cpp: 'I' and the tray keys), an item move
// (input/key_edits.cpp: item_readout_text), the flight renderer (video/:
// overlay_visible); message_text and message_visible change only through
// the message functions below.
#pragma once

constexpr int MESSAGE_TEXT_SIZE = 204;  // bytes of message_text
constexpr int FPS_TEXT_SIZE = 64;       // bytes of fps_text
constexpr int HOT_SPOT_SLOTS = 70;      // slots of the hot-spot table
constexpr int OVERLAY_TEXTURES = 10;    // names generated for the disk and tray pictures (5 used)
constexpr int BILLBOARD_PICTURES = 3;   // bill_0 .. bill_2

// Kinds of hot spot; each has its own hit box.
enum HotSpotKind { HOT_NONE = 0, HOT_BUTTON = 1, HOT_HANDLE = 3, HOT_ARROW = 4, HOT_LOOK_PAD = 5 };
constexpr int HOT_KIND_COUNT = 6;  // kind values 0..5 (2 is unused)

// One overlay element's place for hit-testing.
struct HotSpot {
    float cx;  // centre, window pixels from the left edge
    float cy;  // centre, window pixels from the bottom edge (y up)
    int kind;  // HotSpotKind; HOT_NONE is never hit
};

extern int overlay_visible;                    // 1: the disk and trays are drawn
extern int geometry_tray_open;                 // 1: the geometry tray is unfolded
extern int view_tray_open;                     // 1: the view tray is unfolded
extern int terrain_tray_open;                  // 1: the terrain tray is unfolded
extern int mesh_tray_open;                     // 1: the mesh tray is unfolded
extern char message_text[MESSAGE_TEXT_SIZE];   // the message line's text; at most 203 characters
extern int message_visible;                    // 1: the message line is drawn each frame
extern int message_is_problem;                 // 1 while message_text holds a refusal from report_problem
extern char fps_text[FPS_TEXT_SIZE];           // the frame-rate line; rewritten at most once a second
extern char item_readout_text[FPS_TEXT_SIZE];  // a moved item's position, shown in place of fps_text until its next update; "" when none
extern int help_mode;                          // 1 while help mode is on
extern int look_drag_active;                   // 1 while a drag on the look pad tilts the view
extern int hold_forward;                       // 1 while the disk's forward arrow is held
extern int hold_backward;                      // 1 while the disk's backward arrow is held
extern int hold_look_left;                     // 1 while the disk's look-left arrow is held
extern int hold_look_right;                    // 1 while the disk's look-right arrow is held

extern HotSpot hot_spots[HOT_SPOT_SLOTS];      // slot = element id; the tray table's slots laid out, others HOT_NONE
extern float hot_half_width[HOT_KIND_COUNT];   // half-width of each kind's box, pixels; index = kind
extern float hot_half_height[HOT_KIND_COUNT];  // half-height of each kind's box, pixels; index = kind

extern unsigned int overlay_textures[OVERLAY_TEXTURES];       // GL names; 0..4 hold navi_0..navi_4
extern unsigned int handle_texture;                           // GL name of side_0 (the tray handle)
extern unsigned int billboard_textures[BILLBOARD_PICTURES];   // GL names of bill_0..bill_2
extern unsigned int tray_panel_list;                          // GL list: the disk / panel quad
extern unsigned int tray_handle_list;                         // GL list: the handle quad
extern unsigned int billboard_quad_list;                      // GL list: a billboard's quad

// Puts every variable of the group back to its start value, the hot spots
// too (unset until layout_overlay); the GL names of the pictures and lists,
// made once for the GL context, stay.
void reset_overlay_state();

// Writes a status text into message_text (truncated to fit) and shows it.
void show_message(const char* format, ...);

// Shows the message line again with the text it last held.
void reveal_message();

// Hides the message line; its text is kept.
void hide_message();

// A recoverable problem: prints the text on the console on a line of its own
// and shows it on the message line. The caller keeps a safe state.
void report_problem(const char* format, ...);

// A load or save that worked: a refusal still on the message line is hidden,
// so that it does not seem to speak of this success. Other texts stay.
void dismiss_problem();

// End-to-end test harness: runs the real viewer under X, types and clicks at it, reads its console and its pixels.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// Use from one thread. Children still running and our X connections are cleaned up when the test binary exits, and
// a child dies with the binary if that is killed; tests should still call stop_viewer on every path.

// One started viewer. Start it with start_viewer, end it with stop_viewer; do not copy a live one (it owns fds).
struct ViewerProcess {
    pid_t pid = -1;                      // child's pid, -1 when none was started
    int stdin_fd = -1;                   // our end of the child's stdin, -1 once closed
    std::string console_path;            // file receiving the child's stdout and stderr
    std::string dir;                     // the child's working directory
    std::string display;                 // X display the child and the window functions use; "" = our DISPLAY
    unsigned long window = 0;            // viewer's top-level window once wait_for_window found it, else 0
    bool reaped = false;                 // true once the child's exit status has been collected
    int exit_status = 0;                 // exit code, or -signal number; meaningful once reaped
    std::vector<unsigned long> windows_before;  // windows on the display before the start: never taken for the viewer's
};

// Pixels read from a window: rows top to bottom, 3 bytes (R, G, B) a pixel, rgb.size() == width * height * 3.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Name of the file in the working directory that receives the viewer's stdout and stderr (truncated at each start).
extern const char* const console_file_name;

// Copies world_dir's contents (recursively, following links; or world_dir itself if it is a file) into a fresh
// directory under $TMPDIR or /tmp, writable by its owner; returns that directory, or "" with a message if it fails.
std::string make_scratch_world(const std::string& world_dir);

// Deletes a directory that make_scratch_world made in this process; false, deleting nothing, for any other path.
bool remove_scratch_world(const std::string& scratch_dir);

// Starts exe (one without '/' is looked up in PATH, a relative one is taken from our current directory) with args,
// working directory dir, stdin a pipe from us, stdout and stderr into dir/console_file_name, and DISPLAY set to
// display unless it is "". False, with a message on stderr, if dir or exe is unusable or exec fails (p->pid is then
// -1), or if p still runs an earlier viewer (p is then left alone).
bool start_viewer(ViewerProcess* p, const std::string& exe, const std::vector<std::string>& args,
                  const std::string& dir, const std::string& display = "");

// Writes text to the child's stdin; false if stdin is closed, the child no longer reads it, or 5 s pass without room.
bool send_console(ViewerProcess* p, const std::string& text);

// Closes our end of the child's stdin, so it reads end-of-file; safe to call twice.
void close_console(ViewerProcess* p);

// Returns everything the child has written to stdout and stderr so far; "" if nothing or no console file.
std::string read_console(const ViewerProcess* p);

// Polls the console until it contains text: true as soon as it does; false after timeout_ms, or once the child has
// exited without printing it (the console's tail then goes to stderr).
bool wait_for_console(const ViewerProcess* p, const std::string& text, int timeout_ms);

// Finds the top-level window titled exactly title that appeared on the viewer's display after start_viewer, stores it
// in p->window, and waits until it is viewable and shows something other than pure black, or has been viewable for
// 5 s (a scene may be black). False, with p->window == 0, after timeout_ms or at once if the child exits; call again
// if the viewer may have replaced its window.
bool wait_for_window(ViewerProcess* p, const std::string& title, int timeout_ms);

// Reads the window's position on the screen and its inside size; false if there is no window or it is gone.
bool read_window_geometry(const ViewerProcess* p, int* x, int* y, int* width, int* height);

// Reads the window's current pixels (parts off the screen read black; overlapping windows show through, as on
// screen); false if there is no window, it is not viewable, or its visual is not true colour.
bool capture_window(const ViewerProcess* p, Screenshot* out);

// Captures every 100 ms until accept(shot) holds: true with that shot in *out; false after timeout_ms or once the
// child exits, with the last capture (if any) in *out so a failure can be saved and looked at.
bool wait_for_screen(const ViewerProcess* p, const std::function<bool(const Screenshot&)>& accept, int timeout_ms,
                     Screenshot* out);

// Waits until the window differs from before in at least min_fraction of pixels (see fraction_differing);
// same results as wait_for_screen.
bool wait_for_difference(const ViewerProcess* p, const Screenshot& before, int threshold, double min_fraction,
                         int timeout_ms, Screenshot* out);

// Writes the image as a PNG file (needs no outside tool); false for an empty or malformed image or a failed write.
bool save_png(const Screenshot& s, const std::string& path);

// Focuses the viewer's window and taps keysym (xdotool names: "Up", "ctrl+Up", "t", "Escape") like a person, down
// for 50 ms; false if there is no viewable window or the key could not be sent.
bool press_key(const ViewerProcess* p, const std::string& keysym);

// Focuses the window and holds keysym down for ms milliseconds (X auto-repeat applies, as for a person); the key is
// released on every path; false as for press_key.
bool hold_key(const ViewerProcess* p, const std::string& keysym, int ms);

// Moves the pointer to (x, y) inside the window and clicks button (1 left, 2 middle, 3 right, 4/5 wheel); false if
// the point is outside the window, there is no viewable window, or the click could not be sent.
bool click_mouse(const ViewerProcess* p, int x, int y, int button);

// Moves the pointer to (x, y) inside the window without clicking; false as for click_mouse.
bool move_mouse(const ViewerProcess* p, int x, int y);

// Moves the pointer to (x, y) on the screen, which may lie outside the viewer's window (a pop-up menu, say); false
// if the point is off the screen or the move could not be sent.
bool move_pointer_on_screen(const ViewerProcess* p, int x, int y);

// Clicks button (1 left, 2 middle, 3 right) at (x, y) on the screen; false as for move_pointer_on_screen or for a
// button outside 1..9.
bool click_on_screen(const ViewerProcess* p, int x, int y, int button);

// A top-level window (a child of the root window) on the viewer's display.
struct TopLevelWindow {
    unsigned long id = 0;
    int x = 0;                       // position of its inside on the screen
    int y = 0;
    int width = 0;                   // inside size
    int height = 0;
    bool viewable = false;           // mapped and so on the screen
    bool override_redirect = false;  // placed by its program itself, as pop-up menus are
};

// Lists the top-level windows of the viewer's display, bottom of the stack first, skipping any that vanish while
// read; false if the display cannot be reached.
bool list_top_level_windows(const ViewerProcess* p, std::vector<TopLevelWindow>* out);

// Reads the pixels of any window on the viewer's display by its id (e.g. a pop-up menu); false as for
// capture_window.
bool capture_window_id(const ViewerProcess* p, unsigned long window, Screenshot* out);

// Has the X server tell window's program that all of it needs drawing again (an Expose event, as when uncovered);
// false if the window is gone.
bool request_redraw(const ViewerProcess* p, unsigned long window);

// Waits up to timeout_ms for the child to end and reaps it: true with *status (if not null) = exit code, or -signal
// number if a signal ended it; false if it is still running (or was never started).
bool wait_for_exit(ViewerProcess* p, int timeout_ms, int* status);

// True while the child runs; false once it has exited (even if not yet reaped) or if none was started.
bool is_running(const ViewerProcess* p);

// Closes stdin, ends the child if still running (SIGTERM, then SIGKILL after 2 s), reaps it; safe to call twice.
void stop_viewer(ViewerProcess* p);

// Mean of (R+G+B)/3 over the pixels in [x0,x1) x [y0,y1) clipped to the image, 0..255; NaN if no pixel is left or
// the image is malformed.
double mean_brightness(const Screenshot& s, int x0, int y0, int x1, int y1);

// Variance of the colour in [x0,x1) x [y0,y1) clipped to the image, averaged over R, G, B: 0 for a uniform area,
// hundreds or more for a rendered scene; NaN if no pixel is left or the image is malformed.
double colour_variance(const Screenshot& s, int x0, int y0, int x1, int y1);

// Share (0..1) of pixels in [x0,x1) x [y0,y1) whose every channel is within tolerance of (r, g, b); NaN if no pixel
// is left or the image is malformed.
double fraction_near_colour(const Screenshot& s, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance);

// Share (0..1) of pixels whose largest channel difference exceeds threshold; 1 if the sizes differ, 0 for two empty
// images, NaN if either is malformed.
double fraction_differing(const Screenshot& a, const Screenshot& b, int threshold);

// Starts a separate Xvfb with one width x height x 24 screen on a free display number: true with *display_name
// (":N") and *xvfb_pid once it accepts connections; false with a message on stderr if it cannot start within 15 s.
bool start_private_display(int width, int height, std::string* display_name, pid_t* xvfb_pid);

// Ends an Xvfb that start_private_display started (SIGTERM, SIGKILL after 5 s) and reaps it; ignores any other pid.
void stop_private_display(pid_t xvfb_pid);

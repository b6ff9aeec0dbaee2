// End-to-end harness: the real viewer in a scratch copy of the world, driven under X like a person would.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "overlay/tray_table.h"
#include "tests/e2e/pictures.h"

// Every wait below ends on something the viewer reports (a console write, a window mapped or unmapped, a frame
// drawn, its exit) and is bounded: it fails with a message on stderr after its timeout or once the viewer has ended.
// One viewer runs at a time; use from one thread.

constexpr int START_TIMEOUT_MS = 60000;  // start-up: the default terrain loads and compiles
constexpr int LOAD_TIMEOUT_MS = 20000;   // a load or playback started from the window

// Frames the viewer draws after an input before its effect is surely on the screen: the frame in progress may have
// read its events before the input arrived, and the count read back may be one frame behind.
constexpr int SETTLE_FRAMES = 3;

// Position (0-based) of `name` among the files of folder `dir` whose names
// contain `extension`, as an asset submenu lists them; -1 if it is not there.
int menu_position(const std::string& dir, const std::string& extension, const std::string& name);

// A point in the viewer's window, pixels from its top left.
struct WindowSpot {
    int x, y;
};

// The centre of an overlay element in the viewer's 1024 x 768 window.
WindowSpot tray_spot(const TrayElement& element);
// The centre of the element that calls `operation`, from the overlay's own table; for the handles, `tray` names
// whose. {-1, -1} if no element does.
WindowSpot tray_spot(TrayOperation operation, Tray tray = TRAY_NONE);

struct Viewer {
    std::string dir;                // the scratch world, removed with the Viewer
    std::vector<std::string> args;  // command-line arguments, e.g. {"-q"}
    pid_t pid = -1;                 // the running viewer, -1 before start
    int exit_status = -1;           // exit code, or -signal, once it has ended
    bool ended = false;             // true once the viewer's exit was collected
    unsigned long window = 0;       // its top-level window once open_window found it
    int stdin_fd = -1;              // our end of its standard input
    int exit_fd = -1;               // readable once it has ended
    int console_watch = -1;         // readable when it writes to its console
    std::string console_path;       // its standard output and error
    struct Menu {
        unsigned long window;
        int x, y, width, height;  // on the screen
    };
    std::vector<Menu> menus;        // open pop-up menus, the newest last
    bool settled = false;           // the viewer has drawn all it was sent and nothing has happened since

    // Copies the default world into a fresh scratch folder (dir) for the test to change before start.
    explicit Viewer(const std::vector<std::string>& args = {});
    // Kills the viewer if it still runs, waits until its window is gone, and removes the scratch world.
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // Starts the viewer in dir with answers on its standard input and its frame counter published; without a display
    // when with_display is false. False if it could not be started.
    bool start(const std::string& answers, bool with_display = true);
    // Writes more to its standard input; false if it no longer reads it.
    bool send_console(const std::string& text);
    // Everything it has printed so far.
    std::string console() const;
    // Waits until text has appeared on its console.
    bool wait_for_console(const std::string& text, int timeout_ms = LOAD_TIMEOUT_MS);
    // Waits until it is blocked reading its standard input (e.g. for the key that ends a fatal error); no event
    // tells that, so this reads the kernel's /proc report every few milliseconds.
    bool wait_until_reading_console(int timeout_ms = LOAD_TIMEOUT_MS);

    // Waits until its window "Kestrolane" is mapped and has drawn SETTLE_FRAMES frames.
    bool open_window(int timeout_ms = START_TIMEOUT_MS);
    // The window's inside size; false if there is no window.
    bool window_size(int* width, int* height);
    // Waits until n more frames have been drawn after everything sent so far reached the X server.
    bool wait_frames(int n);
    // Waits until n frames in a row have each drawn the terrain from detail levels (frames of one terrain draw:
    // no stereo), as the viewer publishes with its frame count, and counts as settled when n >= SETTLE_FRAMES.
    // Fails when the viewer draws LEVEL_FRAMES_LIMIT frames (600) without that.
    bool wait_for_level_frames(int n);
    // Draws of the terrain that called a detail level's list since it started, as published with the last frame;
    // -1 if there is no window.
    long level_draws();
    // The window's pixels: at once if settled, else once SETTLE_FRAMES more frames are drawn; an empty picture if
    // that fails.
    Screenshot shot();

    // Taps a key (X keysym names joined by "+": "t", "shift+i", "ctrl+Up", "Escape") with the focus on the window,
    // and returns once the viewer has drawn what it did.
    bool press_key(const std::string& keys);
    // Holds keys down while the viewer draws `frames` frames, then lets go and waits for the result to show.
    bool hold_key(const std::string& keys, int frames);
    // Pointer actions at window coordinates; each returns once the viewer has drawn what it did (a button: 1 left,
    // 2 middle, 3 right).
    bool move(int x, int y);
    bool press(int x, int y, int button);
    bool release(int x, int y, int button);
    bool click(int x, int y, int button);

    // Opens the right-button menu in the middle of the window and, for each index in path, points at that entry
    // (0-based) of the newest menu, each of which must open a submenu; the menus stay open (see menus).
    bool open_menu(const std::vector<int>& path);
    // The number of entries of the newest open menu, or -1 if none is open.
    int open_menu_entries() const;
    // Opens the menus along all but the last index of path and chooses the last; returns once the menus are closed
    // and the viewer has drawn over them (or has ended). The choice may still be at work (a load, say): wait for
    // its console lines.
    bool choose_menu_entry(const std::vector<int>& path);
    // Closes every open menu without choosing anything; the next shot shows them painted over.
    bool dismiss_menus();

    // True while the viewer runs.
    bool running();
    // Waits until the viewer has ended; its status is then in exit_status.
    bool wait_for_exit(int timeout_ms = LOAD_TIMEOUT_MS);
    // Kills the viewer if it runs and waits until its window is gone; safe to call twice.
    void stop();

    // Shift+I: hides (or shows again) the navigation disk and trays, so that a
    // shot measures the land alone.
    bool toggle_overlay() { return press_key("shift+i"); }
};

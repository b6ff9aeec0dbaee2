// End-to-end harness: starts the viewer, waits on what it reports, and types, points and clicks through libxdo.
#include "tests/e2e/viewer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
extern "C" {
#include <xdo.h>
}
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "gl/frame_report.h"
#include "tests/support/temp_files.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// freeglut lays its menus out in fixed rows: each entry 25 pixels high (a line of its menu font and a gap) inside
// a 2-pixel frame. A menu opens with its top-left corner at the pointer; a submenu opens level with its entry.
constexpr int MENU_FRAME = 2;
constexpr int MENU_ENTRY_HEIGHT = 25;
constexpr int MENU_BUTTON = 3;
constexpr int STEP_TIMEOUT_MS = 10000;  // an input handled, a frame drawn, a menu opened: milliseconds when idle
constexpr int SYSCALL_LOOK_MS = 10;     // how often /proc is read for a state that no event reports
constexpr int LEVEL_FRAMES_LIMIT = 600; // frames a wait for frames drawn from detail levels looks at before it fails
constexpr const char* WINDOW_TITLE = "Kestrolane";
constexpr const char* CONSOLE_FILE = "e2e_console.log";

// What a wait makes of the viewer ending before the awaited thing.
enum class OnEnd { FAIL, SUCCEED, IGNORE };

Display* display = nullptr;  // one connection for the whole run
xdo_t* input = nullptr;      // keys and pointer through XTEST on it: keymap, modifiers and repeat as for a person
Atom frames_atom = None;     // the property the viewer counts its frames in

// Xlib's default handler would end the test binary on a window that has just gone.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

bool connect_display() {
    if (display) return true;
    display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "e2e: cannot open the X display\n");
        return false;
    }
    XSetErrorHandler(ignore_x_error);
    input = xdo_new_with_opened_display(display, nullptr, 0);
    frames_atom = XInternAtom(display, FRAME_REPORT_PROPERTY, False);
    // Top-level windows mapped and unmapped (the viewer's window, its menus) wake our waits.
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    return input != nullptr;
}

// A child must not get our pipe as its standard output because fd 1 happened to be free.
void keep_standard_fds_open() {
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd) fprintf(stderr, "e2e: fd %d stays closed\n", fd);
}

void report_console_tail(const Viewer& v) {
    std::string text = v.console();
    size_t start = text.size();
    for (int lines = 0; start > 0 && lines <= 20; --start) lines += text[start - 1] == '\n';
    fprintf(stderr, "e2e: the viewer's console ends:\n%s\n", text.substr(start).c_str());
}

// Sleeps in poll() on the X connection, the console and the viewer's exit until done() holds, so it wakes on what
// the viewer does; look_ms > 0 adds a timer for states that no event reports.
bool wait_until(Viewer& v, const std::function<bool()>& done, int timeout_ms, const char* what,
                OnEnd on_end = OnEnd::FAIL, int look_ms = -1) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        // Events only wake us: done() reads the state afresh.
        while (display && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
        }
        char buffer[4096];
        while (v.console_watch >= 0 && read(v.console_watch, buffer, sizeof buffer) > 0) {}
        if (done()) return true;
        if (display && XQLength(display) > 0) continue;  // done() read replies, and events came with them
        if (on_end != OnEnd::IGNORE && !v.running()) {
            if (on_end == OnEnd::SUCCEED) return true;
            fprintf(stderr, "e2e: the viewer ended (status %d) while waiting for %s\n", v.exit_status, what);
            report_console_tail(v);
            return false;
        }
        long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            fprintf(stderr, "e2e: waited %d ms for %s in vain\n", timeout_ms, what);
            report_console_tail(v);
            return false;
        }
        pollfd fds[3];
        int n = 0;
        if (display) fds[n++] = {ConnectionNumber(display), POLLIN, 0};
        if (v.console_watch >= 0) fds[n++] = {v.console_watch, POLLIN, 0};
        if (v.exit_fd >= 0 && !v.ended) fds[n++] = {v.exit_fd, POLLIN, 0};
        poll(fds, n, look_ms > 0 ? std::min<long>(left, look_ms) : left);
    }
}

// The viewable top-level windows that place themselves (freeglut's menus), bottom of the stack first.
std::vector<Viewer::Menu> open_menu_windows() {
    std::vector<Viewer::Menu> menus;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return menus;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable && a.override_redirect)
            menus.push_back({children[i], a.x + a.border_width, a.y + a.border_width, a.width, a.height});
    }
    if (children) XFree(children);
    return menus;
}

// The viewable top-level window titled WINDOW_TITLE that is no menu, or 0.
Window find_viewer_window() {
    Window root = 0, parent = 0, *children = nullptr, found = 0;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes a;
        char* title = nullptr;
        if (XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable && !a.override_redirect &&
            XFetchName(display, children[i], &title) && title && strcmp(title, WINDOW_TITLE) == 0)
            found = children[i];
        if (title) XFree(title);
    }
    if (children) XFree(children);
    return found;
}

bool is_viewable(Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable;
}

// What the viewer published on w after its last swap: frames drawn, and draws of the terrain that called a level's
// list; -1 each while there is none (yet, or any more).
struct FrameReport {
    long frames = -1;
    long level_draws = -1;
};

FrameReport read_report(Window w) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    FrameReport report;
    if (XGetWindowProperty(display, w, frames_atom, 0, 2, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 32 && count == 2) {
        report.frames = ((long*)data)[0];  // Xlib hands 32-bit items back as longs
        report.level_draws = ((long*)data)[1];
    }
    if (data) XFree(data);
    return report;
}

long read_frames(Window w) { return read_report(w).frames; }

// Waits until the viewer publishes a frame after the last one in *seen, and stores it there. A busy machine draws
// slowly, so a wait for many frames fails only when a single frame takes STEP_TIMEOUT_MS, not when all of them do.
bool wait_for_next_frame(Viewer& v, FrameReport* seen, const char* what, OnEnd on_end) {
    auto drawn = [&] {
        FrameReport now = read_report(v.window);
        if (now.frames <= seen->frames) return false;
        *seen = now;
        return true;
    };
    return wait_until(v, drawn, STEP_TIMEOUT_MS, what, on_end);
}

// Waits until n more frames are drawn after everything sent so far reached the server.
bool wait_for_frames(Viewer& v, int n, OnEnd on_end) {
    if (!v.window) return false;
    XSync(display, False);
    FrameReport seen = read_report(v.window);
    long target = seen.frames + n;
    while (seen.frames < target) {
        if (!wait_for_next_frame(v, &seen, "frames to be drawn", on_end)) return false;
        if (seen.frames < target && !v.running()) return on_end == OnEnd::SUCCEED;  // no more frames come
    }
    return true;
}

// Lets the viewer handle what was sent and draw the result; a viewer that ended of it has handled it too.
bool settle(Viewer& v) { return v.settled = wait_for_frames(v, SETTLE_FRAMES, OnEnd::SUCCEED); }

// Input goes to the window from here on: no longer settled until settle() says so.
bool focus(Viewer& v) {
    v.settled = false;
    return v.window && xdo_focus_window(input, v.window) == XDO_SUCCESS &&
           xdo_wait_for_window_focus(input, v.window, 1) == XDO_SUCCESS;
}

bool pointer_to_screen(int x, int y) {
    return xdo_move_mouse(input, x, y, DefaultScreen(display)) == XDO_SUCCESS &&
           xdo_wait_for_mouse_move_to(input, x, y) == XDO_SUCCESS;
}

bool pointer_to(Viewer& v, int x, int y) {
    int screen_x = 0, screen_y = 0;
    v.settled = false;
    Window child = 0;
    return v.window &&
           XTranslateCoordinates(display, v.window, DefaultRootWindow(display), x, y, &screen_x, &screen_y, &child) &&
           pointer_to_screen(screen_x, screen_y);
}

int entries_of(const Viewer::Menu& m) { return (m.height - 2 * MENU_FRAME) / MENU_ENTRY_HEIGHT; }

// Waits for one more menu than v.menus holds and adds it; false if none opens or it is not laid out in rows.
bool wait_for_new_menu(Viewer& v, const char* what) {
    std::vector<Viewer::Menu> now;
    auto opened = [&] {
        now = open_menu_windows();
        return now.size() == v.menus.size() + 1;
    };
    if (!wait_until(v, opened, STEP_TIMEOUT_MS, what)) return false;
    for (const Viewer::Menu& m : now) {
        auto same = [&](const Viewer::Menu& known) { return known.window == m.window; };
        if (std::none_of(v.menus.begin(), v.menus.end(), same)) v.menus.push_back(m);
    }
    const Viewer::Menu& m = v.menus.back();
    if (v.menus.size() == now.size() && (m.height - 2 * MENU_FRAME) % MENU_ENTRY_HEIGHT == 0) return true;
    fprintf(stderr, "e2e: menu: a %dx%d menu does not hold whole %d-pixel rows\n", m.width, m.height,
            MENU_ENTRY_HEIGHT);
    return false;
}

bool point_at_entry(const Viewer& v, int index) {
    const Viewer::Menu& m = v.menus.back();
    if (index < 0 || index >= entries_of(m)) {
        fprintf(stderr, "e2e: menu: no entry %d in a menu of %d\n", index, entries_of(m));
        return false;
    }
    return pointer_to_screen(m.x + m.width / 2, m.y + MENU_FRAME + index * MENU_ENTRY_HEIGHT + MENU_ENTRY_HEIGHT / 2);
}

}  // namespace

Viewer::Viewer(const std::vector<std::string>& args) : args(args) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrolane-e2e-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        fprintf(stderr, "e2e: cannot make a scratch folder: %s\n", strerror(errno));
        return;
    }
    dir = pattern;
    std::error_code error;
    fs::copy(WORLD_DIR, dir, fs::copy_options::recursive, error);
    if (!error) return;
    fprintf(stderr, "e2e: cannot copy the world to %s: %s\n", dir.c_str(), error.message().c_str());
    fs::remove_all(dir, error);
    dir.clear();  // start() refuses
}

Viewer::~Viewer() {
    stop();
    std::error_code error;
    if (!dir.empty()) fs::remove_all(dir, error);
}

bool Viewer::start(const std::string& answers, bool with_display) {
    settled = false;
    if (pid > 0 || dir.empty() || (with_display && !connect_display())) return false;
    signal(SIGPIPE, SIG_IGN);  // a write to a viewer that has ended fails instead of ending us
    keep_standard_fds_open();
    console_path = dir + "/" + CONSOLE_FILE;
    int out = open(console_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int in[2];
    if (out < 0 || pipe2(in, O_CLOEXEC) != 0) {
        fprintf(stderr, "e2e: cannot make the viewer's console: %s\n", strerror(errno));
        if (out >= 0) close(out);
        return false;
    }
    console_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(console_watch, console_path.c_str(), IN_MODIFY);

    std::vector<std::string> words = {KESTROLANE_EXE}, variables;
    words.insert(words.end(), args.begin(), args.end());
    for (char** e = environ; *e; ++e)
        if (with_display || strncmp(*e, "DISPLAY=", 8) != 0) variables.push_back(*e);
    variables.push_back(std::string(FRAME_REPORT_VARIABLE) + "=1");
    std::vector<char*> argv, envp;
    for (std::string& w : words) argv.push_back(w.data());
    for (std::string& e : variables) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // a test binary that dies takes its viewer along
        signal(SIGPIPE, SIG_DFL);
        if (dup2(in[0], 0) == 0 && dup2(out, 1) == 1 && dup2(out, 2) == 2 && chdir(dir.c_str()) == 0)
            execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out);
    if (pid < 0) {
        fprintf(stderr, "e2e: cannot start the viewer: %s\n", strerror(errno));
        close(in[1]);
        return false;
    }
    stdin_fd = in[1];
    exit_fd = (int)syscall(SYS_pidfd_open, pid, 0);
    return send_console(answers);
}

bool Viewer::send_console(const std::string& text) {
    settled = false;
    for (size_t done = 0; done < text.size();) {
        ssize_t n = stdin_fd < 0 ? -1 : write(stdin_fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fprintf(stderr, "e2e: the viewer does not read its console\n");
            return false;
        }
        done += n;
    }
    return true;
}

std::string Viewer::console() const { return console_path.empty() ? "" : read_file(console_path); }

bool Viewer::wait_for_console(const std::string& text, int timeout_ms) {
    settled = false;  // it printed because something changed
    std::string what = "\"" + text + "\" on the console";
    return wait_until(*this, [&] { return console().find(text) != std::string::npos; }, timeout_ms, what.c_str());
}

bool Viewer::wait_until_reading_console(int timeout_ms) {
    // The kernel names the system call a process is blocked in: read (0x0 = standard input).
    std::string reading = std::to_string(SYS_read) + " 0x0 ";
    std::string path = "/proc/" + std::to_string(pid) + "/syscall";
    return wait_until(*this, [&] { return read_file(path).rfind(reading, 0) == 0; }, timeout_ms,
                      "a read of its console", OnEnd::FAIL, SYSCALL_LOOK_MS);
}

bool Viewer::open_window(int timeout_ms) {
    if (!display) return false;
    if (!wait_until(*this, [&] { return (window = find_viewer_window()) != 0; }, timeout_ms, "its window"))
        return false;
    XSelectInput(display, window, PropertyChangeMask | StructureNotifyMask);  // frames drawn wake our waits
    return settled = wait_until(*this, [&] { return read_frames(window) >= SETTLE_FRAMES; }, timeout_ms,
                                "its first frames");
}

bool Viewer::window_size(int* width, int* height) {
    XWindowAttributes a;
    if (!window || !XGetWindowAttributes(display, window, &a)) return false;
    *width = a.width;
    *height = a.height;
    return true;
}

bool Viewer::wait_frames(int n) {
    bool drawn = wait_for_frames(*this, n, OnEnd::FAIL);
    settled = drawn && n >= SETTLE_FRAMES;
    return drawn;
}

bool Viewer::wait_for_level_frames(int n) {
    settled = false;
    if (!window) return false;
    XSync(display, False);
    const FrameReport start = read_report(window);
    FrameReport run = start, seen = start;  // run: where the frames in a row from levels began
    while (seen.frames - start.frames < LEVEL_FRAMES_LIMIT) {
        if (!wait_for_next_frame(*this, &seen, "frames drawn from detail levels", OnEnd::FAIL)) return false;
        // Each frame draws the terrain once (mono), so a frame that drew no level leaves the count behind.
        if (seen.level_draws - run.level_draws < seen.frames - run.frames) run = seen;
        else if (seen.frames - run.frames >= n) return settled = n >= SETTLE_FRAMES;
    }
    fprintf(stderr, "e2e: %d frames drawn, but never %d in a row from detail levels\n", LEVEL_FRAMES_LIMIT, n);
    report_console_tail(*this);
    return false;
}

long Viewer::level_draws() { return window ? read_report(window).level_draws : -1; }

Screenshot Viewer::shot() {
    Screenshot s;
    XWindowAttributes a;
    if ((!settled && !wait_frames(SETTLE_FRAMES)) || !XGetWindowAttributes(display, window, &a)) return s;
    XImage* image = XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!image) {
        fprintf(stderr, "e2e: cannot read the window's pixels\n");
        return s;
    }
    const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    if (std::any_of(masks, masks + 3, [](unsigned long m) { return m == 0 || (m >> __builtin_ctzl(m)) != 0xff; })) {
        fprintf(stderr, "e2e: the screen is not 24-bit true colour\n");
    } else {
        s.width = a.width;
        s.height = a.height;
        s.rgb.resize((size_t)s.width * s.height * 3);
        unsigned char* out = s.rgb.data();
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                unsigned long p = XGetPixel(image, x, y);
                for (unsigned long m : masks) *out++ = (unsigned char)((p & m) >> __builtin_ctzl(m));
            }
    }
    XDestroyImage(image);
    return s;
}

bool Viewer::press_key(const std::string& keys) {
    return focus(*this) && xdo_send_keysequence_window(input, CURRENTWINDOW, keys.c_str(), 0) == XDO_SUCCESS &&
           settle(*this);
}

bool Viewer::hold_key(const std::string& keys, int frames) {
    if (!focus(*this) || xdo_send_keysequence_window_down(input, CURRENTWINDOW, keys.c_str(), 0) != XDO_SUCCESS)
        return false;
    bool held = wait_frames(frames);
    // Released on every path: a key left down would reach later tests as held.
    bool released = xdo_send_keysequence_window_up(input, CURRENTWINDOW, keys.c_str(), 0) == XDO_SUCCESS;
    return released && held && settle(*this);
}

bool Viewer::move(int x, int y) { return pointer_to(*this, x, y) && settle(*this); }

bool Viewer::press(int x, int y, int button) {
    return pointer_to(*this, x, y) && xdo_mouse_down(input, CURRENTWINDOW, button) == XDO_SUCCESS && settle(*this);
}

bool Viewer::release(int x, int y, int button) {
    return pointer_to(*this, x, y) && xdo_mouse_up(input, CURRENTWINDOW, button) == XDO_SUCCESS && settle(*this);
}

bool Viewer::click(int x, int y, int button) {
    return pointer_to(*this, x, y) && xdo_click_window(input, CURRENTWINDOW, button) == XDO_SUCCESS && settle(*this);
}

bool Viewer::open_menu(const std::vector<int>& path) {
    int width = 0, height = 0;
    settled = false;
    if (!menus.empty() || !open_menu_windows().empty()) {
        fprintf(stderr, "e2e: menu: a menu is open already\n");
        return false;
    }
    if (!window_size(&width, &height) || !pointer_to(*this, width / 2, height / 2) ||
        xdo_click_window(input, CURRENTWINDOW, MENU_BUTTON) != XDO_SUCCESS || !wait_for_new_menu(*this, "the menu")) {
        dismiss_menus();
        return false;
    }
    for (int index : path) {
        int parent_y = menus.back().y;
        if (!point_at_entry(*this, index) || !wait_for_new_menu(*this, "a submenu")) {
            dismiss_menus();
            return false;
        }
        if (menus.back().y != parent_y + index * MENU_ENTRY_HEIGHT) {
            fprintf(stderr, "e2e: menu: pointing at entry %d opened a submenu at y %d, not beside it\n", index,
                    menus.back().y);
            dismiss_menus();
            return false;
        }
    }
    return true;
}

int Viewer::open_menu_entries() const { return menus.empty() ? -1 : entries_of(menus.back()); }

bool Viewer::choose_menu_entry(const std::vector<int>& path) {
    if (path.empty() || !open_menu(std::vector<int>(path.begin(), path.end() - 1))) return false;
    // The viewer reads the move before the click: both come through one event queue.
    if (!point_at_entry(*this, path.back()) || xdo_click_window(input, CURRENTWINDOW, MENU_BUTTON) != XDO_SUCCESS) {
        dismiss_menus();
        return false;
    }
    // An entry that opens a submenu leaves the menus open; a freeglut that ran the choice first would keep them
    // open through a load.
    bool closed = wait_until(*this, [] { return open_menu_windows().empty(); }, LOAD_TIMEOUT_MS,
                             "the menus to close after the choice", OnEnd::SUCCEED);
    if (!closed) dismiss_menus();
    menus.clear();
    return closed && settle(*this);
}

bool Viewer::dismiss_menus() {
    settled = false;
    std::vector<Menu> open = open_menu_windows();
    if (!open.empty() && display) {
        // A click on the newest menu's frame is on no entry: every menu closes, nothing is chosen.
        const Menu& newest = menus.empty() ? open.back() : menus.back();
        bool closed = pointer_to_screen(newest.x, newest.y) &&
                      xdo_click_window(input, CURRENTWINDOW, MENU_BUTTON) == XDO_SUCCESS &&
                      wait_until(*this, [] { return open_menu_windows().empty(); }, STEP_TIMEOUT_MS,
                                 "the menus to close", OnEnd::SUCCEED);
        if (!closed) return false;
    }
    menus.clear();
    return true;
}

bool Viewer::running() {
    if (pid <= 0 || ended) return false;
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == 0) return true;
    ended = true;
    exit_status = r != pid ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return false;
}

bool Viewer::wait_for_exit(int timeout_ms) {
    return wait_until(*this, [&] { return !running(); }, timeout_ms, "its exit", OnEnd::IGNORE);
}

void Viewer::stop() {
    if (stdin_fd >= 0) close(stdin_fd);
    stdin_fd = -1;
    if (running()) {
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ended = true;
        exit_status = -SIGKILL;
    }
    // The server drops a killed viewer's windows once it reads the closed connection; the next viewer's window
    // must not be mistaken for them.
    if (window && display)
        wait_until(*this, [&] { return !is_viewable(window); }, STEP_TIMEOUT_MS, "its window to go", OnEnd::IGNORE);
    window = 0;
    menus.clear();
    if (exit_fd >= 0) close(exit_fd);
    if (console_watch >= 0) close(console_watch);
    exit_fd = console_watch = -1;
}

int menu_position(const std::string& dir, const std::string& extension, const std::string& name) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        std::string file = entry.path().filename().string();
        if (file.find(extension) != std::string::npos) names.push_back(file);
    }
    std::sort(names.begin(), names.end());
    auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : (int)(it - names.begin());
}

WindowSpot tray_spot(const TrayElement& element) {
    return WindowSpot{element.x, OVERLAY_REFERENCE_HEIGHT - 1 - element.y};  // the table counts y from the bottom
}

WindowSpot tray_spot(TrayOperation operation, Tray tray) {
    for (const TrayElement& e : TRAY_ELEMENTS) {
        if (e.operation == operation && (tray == TRAY_NONE || e.tray == tray)) return tray_spot(e);
    }
    return WindowSpot{-1, -1};
}

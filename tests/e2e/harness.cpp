// End-to-end test harness: child processes, console pipes, X window lookup, XTEST input via xdotool, pixel capture.
#include "harness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>
#include <thread>

extern char** environ;

const char* const console_file_name = "e2e_console.log";

namespace {

namespace fs = std::filesystem;

// Children still to be reaped; killed at exit so a failed assertion never leaves a viewer or Xvfb behind.
std::mutex g_children_mutex;
std::vector<pid_t> g_children;
struct PrivateDisplay {
    pid_t pid;
    std::string name;  // ":N" once known
};
std::vector<PrivateDisplay> g_displays;
std::vector<std::string> g_scratch_dirs;

// Last X error seen by note_x_error; Xlib's default handler would exit the whole test binary instead.
int g_x_error = 0;

// Our X connections, one per display name, kept open (see open_display). Like Xlib itself, not for use from threads.
std::vector<std::pair<std::string, Display*>> g_displays_open;

const int poll_interval_ms = 50;
const int capture_interval_ms = 100;
const int black_grace_ms = 5000;
const int tool_timeout_ms = 15000;

using Clock = std::chrono::steady_clock;

void sleep_ms(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

long long elapsed_ms(Clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

// Reaps pid without blocking; true with the decoded status once it has ended.
bool try_reap(pid_t pid, int* status) {
    int raw = 0;
    pid_t r;
    do {
        r = waitpid(pid, &raw, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid) {
        *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? -WTERMSIG(raw) : -1;
        return true;
    }
    if (r < 0) {  // not ours any more (e.g. SIGCHLD ignored): nothing left to reap
        *status = -1;
        return true;
    }
    return false;
}

// Waits up to timeout_ms for pid to end; true with its status once reaped.
bool reap_within(pid_t pid, int timeout_ms, int* status) {
    Clock::time_point start = Clock::now();
    for (;;) {
        if (try_reap(pid, status)) return true;
        if (elapsed_ms(start) >= timeout_ms) return false;
        sleep_ms(10);
    }
}

void forget_child(pid_t pid) {
    std::lock_guard<std::mutex> lock(g_children_mutex);
    g_children.erase(std::remove(g_children.begin(), g_children.end(), pid), g_children.end());
    g_displays.erase(std::remove_if(g_displays.begin(), g_displays.end(),
                                    [pid](const PrivateDisplay& x) { return x.pid == pid; }),
                     g_displays.end());
}

void kill_leftover_children() {
    std::vector<pid_t> left;
    {
        std::lock_guard<std::mutex> lock(g_children_mutex);
        left = g_children;
        for (const PrivateDisplay& x : g_displays) left.push_back(x.pid);
        g_children.clear();
        g_displays.clear();
    }
    for (pid_t pid : left) {
        kill(pid, SIGKILL);
        int status = 0;
        reap_within(pid, 2000, &status);
    }
}

// Closes our X connections first (a server must not vanish under an open one), then ends leftover children.
void clean_up_at_exit() {
    for (const auto& c : g_displays_open) XCloseDisplay(c.second);
    g_displays_open.clear();
    kill_leftover_children();
}

void register_exit_cleanup() {
    static std::once_flag registered;
    std::call_once(registered, [] { atexit(clean_up_at_exit); });
}

void remember_child(pid_t pid, bool is_display) {
    register_exit_cleanup();
    std::lock_guard<std::mutex> lock(g_children_mutex);
    if (is_display) {
        g_displays.push_back({pid, ""});
    } else {
        g_children.push_back(pid);
    }
}

// A closed 0, 1 or 2 in this process would be handed out by pipe() and then clash with dup2 in the child
// (CI may run us without standard input), so occupy any closed one with /dev/null first.
void ensure_standard_fds() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int n = open("/dev/null", O_RDWR);
            if (n >= 0 && n != fd) close(n);
        }
    }
}

std::string find_in_path(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::stringstream ss(dirs);
    std::string d;
    while (std::getline(ss, d, ':')) {
        if (d.empty()) d = ".";
        std::string full = d + "/" + name;
        if (access(full.c_str(), X_OK) == 0) return full;
    }
    return "";
}

// Environment for a child: ours, with DISPLAY replaced when display is given.
std::vector<std::string> make_environment(const std::string& display) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        if (!display.empty() && strncmp(*e, "DISPLAY=", 8) == 0) continue;
        env.emplace_back(*e);
    }
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    return env;
}

struct SpawnPlan {
    std::string path;               // absolute or relative to our cwd, already resolved
    std::vector<std::string> argv;  // argv[0] included
    std::vector<std::string> env;
    std::string cwd;                // "" = ours
    int stdin_fd = -1;              // -1 = /dev/null
    int stdout_fd = -1;             // -1 = /dev/null
    int stderr_fd = -1;             // -1 = /dev/null
    int keep_fd = -1;               // an extra fd the child must keep open across exec, or -1
};

// Forks and execs plan; returns the pid, or -1 with *error set if fork or exec failed.
// Everything is prepared before fork: the test binary may have threads, so the child only makes system calls.
pid_t spawn_child(const SpawnPlan& plan, std::string* error) {
    ensure_standard_fds();
    std::vector<char*> argv;
    for (const std::string& a : plan.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : plan.env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
    int err_pipe[2];
    if (null_fd < 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
        *error = std::string("cannot create pipe: ") + strerror(errno);
        if (null_fd >= 0) close(null_fd);
        return -1;
    }
    int fds[3] = {plan.stdin_fd >= 0 ? plan.stdin_fd : null_fd, plan.stdout_fd >= 0 ? plan.stdout_fd : null_fd,
                  plan.stderr_fd >= 0 ? plan.stderr_fd : null_fd};
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("fork failed: ") + strerror(errno);
        close(err_pipe[0]);
        close(err_pipe[1]);
        close(null_fd);
        return -1;
    }
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl;
        memset(&dfl, 0, sizeof dfl);
        dfl.sa_handler = SIG_DFL;
        const int reset[] = {SIGPIPE, SIGINT, SIGTERM, SIGQUIT, SIGCHLD, SIGHUP};
        for (int sig : reset) sigaction(sig, &dfl, nullptr);
        // If the test binary dies (crash, ctest timeout) the child goes too instead of lingering on the display.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        int err = 0;
        if (!plan.cwd.empty() && chdir(plan.cwd.c_str()) != 0) err = errno;
        // Move sources above 2 first so one dup2 cannot overwrite another's source.
        int moved[3];
        for (int i = 0; i < 3 && err == 0; ++i) {
            moved[i] = fcntl(fds[i], F_DUPFD_CLOEXEC, 3);
            if (moved[i] < 0) err = errno;
        }
        for (int i = 0; i < 3 && err == 0; ++i) {
            if (dup2(moved[i], i) < 0) err = errno;
        }
        if (err == 0 && plan.keep_fd >= 0 && fcntl(plan.keep_fd, F_SETFD, 0) != 0) err = errno;
        if (err == 0) {
            execve(plan.path.c_str(), argv.data(), envp.data());
            err = errno;
        }
        ssize_t w = write(err_pipe[1], &err, sizeof err);
        (void)w;
        _exit(127);
    }
    close(err_pipe[1]);
    close(null_fd);
    int child_err = 0;
    ssize_t n;
    do {
        n = read(err_pipe[0], &child_err, sizeof child_err);
    } while (n < 0 && errno == EINTR);
    close(err_pipe[0]);
    if (n == static_cast<ssize_t>(sizeof child_err)) {
        *error = "cannot start " + plan.path + ": " + strerror(child_err);
        int status = 0;
        reap_within(pid, 5000, &status);
        return -1;
    }
    return pid;
}

// Runs an outside tool to completion within timeout_ms (killed after that); returns its exit code, -1 on failure.
int run_tool(const std::vector<std::string>& argv, const std::string& display, int timeout_ms) {
    SpawnPlan plan;
    plan.path = find_in_path(argv[0]);
    if (plan.path.empty()) {
        fprintf(stderr, "e2e: %s not found in PATH\n", argv[0].c_str());
        return -1;
    }
    plan.argv = argv;
    plan.env = make_environment(display);
    plan.stderr_fd = 2;
    std::string error;
    pid_t pid = spawn_child(plan, &error);
    if (pid < 0) {
        fprintf(stderr, "e2e: %s\n", error.c_str());
        return -1;
    }
    int status = 0;
    if (!reap_within(pid, timeout_ms, &status)) {
        fprintf(stderr, "e2e: %s did not finish within %d ms; killed\n", argv[0].c_str(), timeout_ms);
        kill(pid, SIGKILL);
        reap_within(pid, 5000, &status);
        return -1;
    }
    return status;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "";
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Prints the last lines of the console, so a failed wait says what the viewer was doing.
void report_console_tail(const ViewerProcess* p) {
    std::string text = read_console(p);
    size_t start = text.size();
    int lines = 0;
    while (start > 0 && lines < 20) {
        --start;
        if (text[start] == '\n' && start + 1 < text.size()) ++lines;
    }
    if (lines >= 20) ++start;
    fprintf(stderr, "e2e: console of pid %d (%s), last lines:\n%s%s", static_cast<int>(p->pid),
            p->console_path.c_str(), text.substr(start).c_str(),
            text.empty() || text.back() == '\n' ? "" : "\n");
}

// ---- X ----

int note_x_error(Display*, XErrorEvent* e) {
    g_x_error = e->error_code;
    return 0;
}

std::string display_of(const ViewerProcess* p) {
    if (!p->display.empty()) return p->display;
    const char* d = getenv("DISPLAY");
    return d ? d : "";
}

// Returns this process's connection to display, opening it on first use; null with a message if it cannot.
// The connection stays open on purpose: an X server with no clients left resets, and while it resets it refuses
// new connections, so a viewer starting just after one of our short-lived connections closed could fail to start.
Display* open_display(const std::string& name) {
    static std::once_flag installed;
    std::call_once(installed, [] { XSetErrorHandler(note_x_error); });
    register_exit_cleanup();
    if (name.empty()) {
        fprintf(stderr, "e2e: no X display (DISPLAY is not set and none was given)\n");
        return nullptr;
    }
    for (const auto& c : g_displays_open) {
        if (c.first == name) return c.second;
    }
    Display* d = nullptr;
    // A server that is resetting (after another program's last client left) refuses for a moment: retry briefly.
    for (int attempt = 0; attempt < 20 && !d; ++attempt) {
        d = XOpenDisplay(name.c_str());
        if (!d) sleep_ms(100);
    }
    if (!d) {
        fprintf(stderr, "e2e: cannot open X display %s\n", name.c_str());
        return nullptr;
    }
    g_displays_open.emplace_back(name, d);
    return d;
}

// Closes our connection to display, if any; needed before its server goes away, or Xlib would exit the process.
void close_display(const std::string& name) {
    for (auto it = g_displays_open.begin(); it != g_displays_open.end(); ++it) {
        if (it->first == name) {
            XCloseDisplay(it->second);
            g_displays_open.erase(it);
            return;
        }
    }
}

// Round-trips to the server and reports whether any request since the last check failed.
bool sync_ok(Display* d) {
    XSync(d, False);
    bool ok = g_x_error == 0;
    g_x_error = 0;
    return ok;
}

std::string read_window_title(Display* d, Window w) {
    std::string title;
    Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, net_name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data && type == utf8 && format == 8) {
        title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data) XFree(data);
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) && name) title = name;
        if (name) XFree(name);
    }
    return title;
}

// Walks the window tree a few levels deep (a window manager would reparent clients one level down).
void list_windows(Display* d, Window w, int depth, std::vector<Window>* out) {
    if (depth > 3) return;
    Window root_ret = 0, parent_ret = 0;
    Window* kids = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root_ret, &parent_ret, &kids, &n)) return;
    std::vector<Window> children(kids, kids + n);
    if (kids) XFree(kids);
    for (Window c : children) {  // bottom to top: the last match is the topmost
        out->push_back(c);
        list_windows(d, c, depth + 1, out);
    }
}

bool is_viewable(Display* d, Window w, XWindowAttributes* attrs) {
    g_x_error = 0;
    if (!XGetWindowAttributes(d, w, attrs)) {
        g_x_error = 0;
        return false;
    }
    return sync_ok(d) && attrs->map_state == IsViewable;
}

unsigned int mask_shift(unsigned long mask) {
    unsigned int s = 0;
    while (mask && !(mask & 1UL)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

unsigned int mask_bits(unsigned long mask) {
    unsigned int b = 0;
    for (; mask; mask >>= 1) b += mask & 1UL;
    return b;
}

unsigned char scale_channel(unsigned long pixel, unsigned long mask, unsigned int shift, unsigned int bits) {
    if (bits == 0) return 0;
    unsigned long v = (pixel & mask) >> shift;
    if (bits == 8) return static_cast<unsigned char>(v);
    unsigned long maxv = (bits >= 32) ? 0xffffffffUL : ((1UL << bits) - 1);
    return static_cast<unsigned char>((v * 255UL + maxv / 2) / maxv);
}

bool capture_from(Display* d, Window w, Screenshot* out) {
    XWindowAttributes attrs;
    if (!is_viewable(d, w, &attrs)) return false;
    Visual* v = attrs.visual;
    if (!v || (v->c_class != TrueColor && v->c_class != DirectColor)) {
        fprintf(stderr, "e2e: window visual is not true colour; cannot read pixels\n");
        return false;
    }
    int rx = 0, ry = 0;
    Window child = 0;
    XTranslateCoordinates(d, w, attrs.root, 0, 0, &rx, &ry, &child);
    if (!sync_ok(d)) return false;
    int sw = WidthOfScreen(attrs.screen), sh = HeightOfScreen(attrs.screen);
    int w_px = std::max(attrs.width, 0), h_px = std::max(attrs.height, 0);
    out->width = w_px;
    out->height = h_px;
    out->rgb.assign(static_cast<size_t>(w_px) * h_px * 3, 0);
    // XGetImage fails on any part of a window outside the screen, so read only the visible rectangle.
    int vx0 = std::max(0, -rx), vy0 = std::max(0, -ry);
    int vx1 = std::min(w_px, sw - rx), vy1 = std::min(h_px, sh - ry);
    if (vx1 <= vx0 || vy1 <= vy0) return true;
    XImage* img = XGetImage(d, w, vx0, vy0, vx1 - vx0, vy1 - vy0, AllPlanes, ZPixmap);
    if (!sync_ok(d) || !img) {
        if (img) XDestroyImage(img);
        fprintf(stderr, "e2e: XGetImage failed on window 0x%lx\n", static_cast<unsigned long>(w));
        return false;
    }
    unsigned long rm = v->red_mask, gm = v->green_mask, bm = v->blue_mask;
    unsigned int rs = mask_shift(rm), gs = mask_shift(gm), bs = mask_shift(bm);
    unsigned int rb = mask_bits(rm), gb = mask_bits(gm), bb = mask_bits(bm);
    const uint16_t probe = 1;
    bool host_lsb = *reinterpret_cast<const unsigned char*>(&probe) == 1;
    bool fast = img->bits_per_pixel == 32 && (img->byte_order == LSBFirst) == host_lsb && img->data &&
                img->bytes_per_line >= img->width * 4;
    // Never trust the reply's size further than the rectangle asked for and the buffer reserved for it.
    int rows = std::min(img->height, vy1 - vy0), cols = std::min(img->width, vx1 - vx0);
    for (int y = 0; y < rows; ++y) {
        const unsigned char* row =
            fast ? reinterpret_cast<const unsigned char*>(img->data) + static_cast<size_t>(y) * img->bytes_per_line
                 : nullptr;
        unsigned char* dst = out->rgb.data() + (static_cast<size_t>(vy0 + y) * w_px + vx0) * 3;
        for (int x = 0; x < cols; ++x) {
            unsigned long px;
            if (fast) {
                uint32_t word;
                memcpy(&word, row + static_cast<size_t>(x) * 4, 4);
                px = word;
            } else {
                px = XGetPixel(img, x, y);
            }
            dst[0] = scale_channel(px, rm, rs, rb);
            dst[1] = scale_channel(px, gm, gs, gb);
            dst[2] = scale_channel(px, bm, bs, bb);
            dst += 3;
        }
    }
    XDestroyImage(img);
    return true;
}

bool any_lit(const Screenshot& s) {
    return std::any_of(s.rgb.begin(), s.rgb.end(), [](unsigned char c) { return c != 0; });
}

// Gives the viewer's window the keyboard focus. Without a window manager the focus is PointerRoot, so keys would go
// wherever the pointer happens to be; setting it explicitly avoids moving the pointer, which a mouse-driven view
// would react to.
bool focus_viewer(const ViewerProcess* p) {
    if (p->window == 0) {
        fprintf(stderr, "e2e: no viewer window known; call wait_for_window first\n");
        return false;
    }
    Display* d = open_display(display_of(p));
    if (!d) return false;
    XWindowAttributes attrs;
    bool ok = is_viewable(d, p->window, &attrs);
    if (ok) {
        XSetInputFocus(d, p->window, RevertToPointerRoot, CurrentTime);
        ok = sync_ok(d);
    }
    if (!ok) fprintf(stderr, "e2e: window 0x%lx is gone or not viewable; cannot focus it\n", p->window);
    return ok;
}

bool point_inside(const ViewerProcess* p, int x, int y) {
    int wx = 0, wy = 0, w = 0, h = 0;
    if (!read_window_geometry(p, &wx, &wy, &w, &h)) return false;
    if (x < 0 || y < 0 || x >= w || y >= h) {
        fprintf(stderr, "e2e: point (%d, %d) is outside the %dx%d window\n", x, y, w, h);
        return false;
    }
    return true;
}

bool point_on_screen(const ViewerProcess* p, int x, int y) {
    Display* d = open_display(display_of(p));
    if (!d) return false;
    int w = DisplayWidth(d, DefaultScreen(d)), h = DisplayHeight(d, DefaultScreen(d));
    if (x < 0 || y < 0 || x >= w || y >= h) {
        fprintf(stderr, "e2e: point (%d, %d) is off the %dx%d screen\n", x, y, w, h);
        return false;
    }
    return true;
}

// Built by hand rather than with %f, whose decimal mark follows the locale while xdotool expects a point.
std::string seconds_text(int ms) {
    ms = std::max(ms, 0);
    char buf[32];
    snprintf(buf, sizeof buf, "%d.%03d", ms / 1000, ms % 1000);
    return buf;
}

// ---- images ----

bool is_well_formed(const Screenshot& s) {
    return s.width >= 0 && s.height >= 0 &&
           s.rgb.size() == static_cast<size_t>(s.width) * static_cast<size_t>(s.height) * 3;
}

// Clips [x0,x1) x [y0,y1) to the image; false if nothing is left or the image is malformed.
bool clip_rect(const Screenshot& s, int* x0, int* y0, int* x1, int* y1) {
    if (!is_well_formed(s)) return false;
    *x0 = std::max(*x0, 0);
    *y0 = std::max(*y0, 0);
    *x1 = std::min(*x1, s.width);
    *y1 = std::min(*y1, s.height);
    return *x1 > *x0 && *y1 > *y0;
}

const unsigned char* pixel_at(const Screenshot& s, int x, int y) {
    return s.rgb.data() + (static_cast<size_t>(y) * s.width + x) * 3;
}

uint32_t crc32_of(const unsigned char* data, size_t n, uint32_t crc) {
    static uint32_t table[256];
    static std::once_flag made;
    std::call_once(made, [] {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    });
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

void append_be32(std::vector<unsigned char>* out, uint32_t v) {
    out->push_back(static_cast<unsigned char>(v >> 24));
    out->push_back(static_cast<unsigned char>(v >> 16));
    out->push_back(static_cast<unsigned char>(v >> 8));
    out->push_back(static_cast<unsigned char>(v));
}

void append_chunk(std::vector<unsigned char>* out, const char* type, const std::vector<unsigned char>& body) {
    append_be32(out, static_cast<uint32_t>(body.size()));
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), body.begin(), body.end());
    append_be32(out, crc32_of(out->data() + start, out->size() - start, 0));
}

}  // namespace

// ---- scratch worlds ----

std::string make_scratch_world(const std::string& world_dir) {
    std::error_code ec;
    fs::path src = fs::canonical(world_dir, ec);
    fs::file_status st = fs::status(src, ec);
    if (ec || !fs::exists(st)) {
        fprintf(stderr, "e2e: world %s does not exist\n", world_dir.c_str());
        return "";
    }
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrolane-e2e-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
        fprintf(stderr, "e2e: cannot create a scratch directory from %s: %s\n", pattern.c_str(), strerror(errno));
        return "";
    }
    std::string dest = buf.data();
    {
        std::lock_guard<std::mutex> lock(g_children_mutex);
        g_scratch_dirs.push_back(dest);
    }
    // Links are followed, so the copy shares nothing with the source: a viewer writing through one cannot spoil
    // the project's test data.
    if (fs::is_directory(st)) {
        fs::copy(src, dest, fs::copy_options::recursive, ec);
    } else {
        fs::copy(src, fs::path(dest) / src.filename(), ec);
    }
    if (ec) {
        fprintf(stderr, "e2e: copying %s to %s failed: %s\n", world_dir.c_str(), dest.c_str(), ec.message().c_str());
        remove_scratch_world(dest);
        return "";
    }
    // Source data may be read-only (a checked-out or shared tree); the viewer must be free to save into its copy.
    for (fs::recursive_directory_iterator it(dest, ec), end; !ec && it != end; it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
        if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_exec, fs::perm_options::add, ec);
    }
    return dest;
}

bool remove_scratch_world(const std::string& scratch_dir) {
    {
        std::lock_guard<std::mutex> lock(g_children_mutex);
        auto it = std::find(g_scratch_dirs.begin(), g_scratch_dirs.end(), scratch_dir);
        if (it == g_scratch_dirs.end()) {
            fprintf(stderr, "e2e: refusing to delete %s: not a scratch world made here\n", scratch_dir.c_str());
            return false;
        }
        g_scratch_dirs.erase(it);
    }
    std::error_code ec;
    fs::remove_all(scratch_dir, ec);
    if (ec) fprintf(stderr, "e2e: deleting %s failed: %s\n", scratch_dir.c_str(), ec.message().c_str());
    return !ec;
}

// ---- the viewer process ----

bool start_viewer(ViewerProcess* p, const std::string& exe, const std::vector<std::string>& args,
                  const std::string& dir, const std::string& display) {
    if (is_running(p)) {
        fprintf(stderr, "e2e: this ViewerProcess still runs pid %d; stop_viewer it first\n", static_cast<int>(p->pid));
        return false;
    }
    *p = ViewerProcess();
    p->dir = dir;
    p->display = display;
    std::string path = find_in_path(exe);
    if (path.empty()) {
        fprintf(stderr, "e2e: %s not found in PATH\n", exe.c_str());
        return false;
    }
    std::error_code ec;
    // The child runs in dir, so a relative path must be fixed against our own directory now.
    path = fs::absolute(path, ec).string();
    if (ec || access(path.c_str(), X_OK) != 0) {
        fprintf(stderr, "e2e: %s is not an executable file\n", exe.c_str());
        return false;
    }
    if (!fs::is_directory(dir, ec)) {
        fprintf(stderr, "e2e: working directory %s does not exist\n", dir.c_str());
        return false;
    }
    p->console_path = (fs::path(dir) / console_file_name).string();
    int console_fd = open(p->console_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (console_fd < 0) {
        fprintf(stderr, "e2e: cannot create %s: %s\n", p->console_path.c_str(), strerror(errno));
        return false;
    }
    int in_pipe[2];
    ensure_standard_fds();
    if (pipe2(in_pipe, O_CLOEXEC) != 0) {
        fprintf(stderr, "e2e: cannot create stdin pipe: %s\n", strerror(errno));
        close(console_fd);
        return false;
    }
    // Ours must not block a test forever if the viewer stops reading.
    fcntl(in_pipe[1], F_SETFL, fcntl(in_pipe[1], F_GETFL) | O_NONBLOCK);

    Display* d = open_display(display_of(p));
    if (d) {
        std::vector<Window> all;
        list_windows(d, DefaultRootWindow(d), 0, &all);
        sync_ok(d);
        p->windows_before.assign(all.begin(), all.end());
    }

    SpawnPlan plan;
    plan.path = path;
    plan.argv.push_back(path);
    plan.argv.insert(plan.argv.end(), args.begin(), args.end());
    plan.env = make_environment(display);
    plan.cwd = dir;
    plan.stdin_fd = in_pipe[0];
    plan.stdout_fd = console_fd;
    plan.stderr_fd = console_fd;
    std::string error;
    pid_t pid = spawn_child(plan, &error);
    close(in_pipe[0]);
    close(console_fd);
    if (pid < 0) {
        fprintf(stderr, "e2e: %s\n", error.c_str());
        close(in_pipe[1]);
        return false;
    }
    remember_child(pid, false);
    p->pid = pid;
    p->stdin_fd = in_pipe[1];
    return true;
}

bool send_console(ViewerProcess* p, const std::string& text) {
    if (p->stdin_fd < 0) {
        fprintf(stderr, "e2e: the viewer's stdin is already closed\n");
        return false;
    }
    // A viewer that has exited turns our write into SIGPIPE, which would kill the whole test binary; block it for
    // this thread and swallow the one our write raises.
    sigset_t pipe_set, old_set, pending;
    sigemptyset(&pipe_set);
    sigaddset(&pipe_set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_set, &old_set);
    sigpending(&pending);
    bool was_pending = sigismember(&pending, SIGPIPE);
    bool ok = true;
    size_t done = 0;
    Clock::time_point start = Clock::now();
    while (done < text.size()) {
        ssize_t n = write(p->stdin_fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            long long left = 5000 - elapsed_ms(start);
            if (left <= 0) {
                fprintf(stderr, "e2e: the viewer did not read its stdin within 5 s\n");
                ok = false;
                break;
            }
            struct pollfd pfd = {p->stdin_fd, POLLOUT, 0};
            poll(&pfd, 1, static_cast<int>(left));
            continue;
        }
        fprintf(stderr, "e2e: writing to the viewer's stdin failed: %s\n", strerror(errno));
        ok = false;
        break;
    }
    if (!was_pending) {
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE)) {
            struct timespec zero = {0, 0};
            sigtimedwait(&pipe_set, nullptr, &zero);
        }
    }
    pthread_sigmask(SIG_SETMASK, &old_set, nullptr);
    return ok;
}

void close_console(ViewerProcess* p) {
    if (p->stdin_fd >= 0) close(p->stdin_fd);
    p->stdin_fd = -1;
}

std::string read_console(const ViewerProcess* p) {
    if (p->console_path.empty()) return "";
    return read_file(p->console_path);
}

bool wait_for_console(const ViewerProcess* p, const std::string& text, int timeout_ms) {
    Clock::time_point start = Clock::now();
    for (;;) {
        bool running = is_running(p);
        // Read after checking, so output written just before the exit is still seen.
        if (read_console(p).find(text) != std::string::npos) return true;
        if (!running) {
            fprintf(stderr, "e2e: the viewer ended without printing \"%s\"\n", text.c_str());
            report_console_tail(p);
            return false;
        }
        if (elapsed_ms(start) >= timeout_ms) {
            fprintf(stderr, "e2e: \"%s\" did not appear on the console within %d ms\n", text.c_str(), timeout_ms);
            report_console_tail(p);
            return false;
        }
        sleep_ms(poll_interval_ms);
    }
}

bool wait_for_exit(ViewerProcess* p, int timeout_ms, int* status) {
    if (p->pid <= 0) return false;
    if (!p->reaped) {
        int st = 0;
        if (!reap_within(p->pid, std::max(timeout_ms, 0), &st)) return false;
        p->reaped = true;
        p->exit_status = st;
        forget_child(p->pid);
    }
    if (status) *status = p->exit_status;
    return true;
}

bool is_running(const ViewerProcess* p) {
    if (p->pid <= 0 || p->reaped) return false;
    siginfo_t info;
    memset(&info, 0, sizeof info);
    // WNOWAIT leaves the exit status for wait_for_exit to collect.
    if (waitid(P_PID, static_cast<id_t>(p->pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
    return info.si_pid == 0;
}

void stop_viewer(ViewerProcess* p) {
    close_console(p);
    p->window = 0;
    if (p->pid <= 0 || p->reaped) return;
    int status = 0;
    if (is_running(p)) {
        kill(p->pid, SIGTERM);
        if (wait_for_exit(p, 2000, &status)) return;
        kill(p->pid, SIGKILL);
    }
    if (!wait_for_exit(p, 10000, &status)) {
        fprintf(stderr, "e2e: pid %d would not end\n", static_cast<int>(p->pid));
    }
}

// ---- the window ----

bool wait_for_window(ViewerProcess* p, const std::string& title, int timeout_ms) {
    p->window = 0;
    Display* d = open_display(display_of(p));
    if (!d) return false;
    Clock::time_point start = Clock::now();
    Clock::time_point viewable_since;
    Window seen_viewable = 0;
    std::vector<std::string> titles_seen;
    bool ok = false;
    for (;;) {
        if (!is_running(p)) {
            fprintf(stderr, "e2e: the viewer ended before its window \"%s\" was shown\n", title.c_str());
            report_console_tail(p);
            break;
        }
        std::vector<Window> all;
        list_windows(d, DefaultRootWindow(d), 0, &all);
        sync_ok(d);
        Window found = 0;
        bool found_viewable = false;
        titles_seen.clear();
        for (Window w : all) {
            if (std::find(p->windows_before.begin(), p->windows_before.end(), w) != p->windows_before.end()) continue;
            std::string t = read_window_title(d, w);
            if (!sync_ok(d)) continue;  // destroyed while we looked
            if (!t.empty()) titles_seen.push_back(t);
            if (t != title) continue;
            XWindowAttributes attrs;
            bool viewable = is_viewable(d, w, &attrs);
            if (viewable || !found_viewable) {
                found = w;
                found_viewable = viewable;
            }
        }
        if (found && found_viewable) {
            if (found != seen_viewable) {
                seen_viewable = found;
                viewable_since = Clock::now();
            }
            p->window = found;
            Screenshot shot;
            if (capture_from(d, found, &shot) && any_lit(shot)) {
                ok = true;
                break;
            }
            if (elapsed_ms(viewable_since) >= black_grace_ms) {
                ok = true;
                break;
            }
        } else {
            seen_viewable = 0;
        }
        if (elapsed_ms(start) >= timeout_ms) {
            if (found) {
                fprintf(stderr, "e2e: window \"%s\" exists but was not shown within %d ms\n", title.c_str(),
                        timeout_ms);
            } else {
                std::string list;
                for (const std::string& t : titles_seen) list += " \"" + t + "\"";
                fprintf(stderr, "e2e: no new window titled \"%s\" within %d ms; new titled windows:%s\n",
                        title.c_str(), timeout_ms, list.empty() ? " none" : list.c_str());
            }
            report_console_tail(p);
            break;
        }
        sleep_ms(poll_interval_ms);
    }
    if (!ok) p->window = 0;
    return ok;
}

bool read_window_geometry(const ViewerProcess* p, int* x, int* y, int* width, int* height) {
    if (p->window == 0) return false;
    Display* d = open_display(display_of(p));
    if (!d) return false;
    XWindowAttributes attrs;
    g_x_error = 0;
    bool ok = XGetWindowAttributes(d, p->window, &attrs) != 0 && sync_ok(d);
    if (ok) {
        Window child = 0;
        XTranslateCoordinates(d, p->window, attrs.root, 0, 0, x, y, &child);
        *width = attrs.width;
        *height = attrs.height;
        ok = sync_ok(d);
    }
    g_x_error = 0;
    return ok;
}

bool capture_window(const ViewerProcess* p, Screenshot* out) {
    if (p->window == 0) {
        fprintf(stderr, "e2e: no viewer window known; call wait_for_window first\n");
        return false;
    }
    Display* d = open_display(display_of(p));
    if (!d) return false;
    bool ok = capture_from(d, p->window, out);
    g_x_error = 0;
    return ok;
}

bool wait_for_screen(const ViewerProcess* p, const std::function<bool(const Screenshot&)>& accept, int timeout_ms,
                     Screenshot* out) {
    Clock::time_point start = Clock::now();
    for (;;) {
        bool running = is_running(p);
        Screenshot shot;
        if (capture_window(p, &shot)) {
            bool good = accept(shot);
            *out = std::move(shot);
            if (good) return true;
        }
        if (!running) {
            fprintf(stderr, "e2e: the viewer ended while waiting for its picture\n");
            report_console_tail(p);
            return false;
        }
        if (elapsed_ms(start) >= timeout_ms) {
            fprintf(stderr, "e2e: the expected picture did not appear within %d ms\n", timeout_ms);
            return false;
        }
        sleep_ms(capture_interval_ms);
    }
}

bool wait_for_difference(const ViewerProcess* p, const Screenshot& before, int threshold, double min_fraction,
                         int timeout_ms, Screenshot* out) {
    return wait_for_screen(
        p, [&](const Screenshot& s) { return fraction_differing(before, s, threshold) >= min_fraction; }, timeout_ms,
        out);
}

// ---- input ----
// Keys and clicks go through XTEST (xdotool without --window), the same server path as a real keyboard: keymap,
// modifiers and auto-repeat behave as for a person. Synthetic events (--window, XSendEvent) also reach freeglut but
// never auto-repeat, so a held key would not look held.

bool press_key(const ViewerProcess* p, const std::string& keysym) {
    if (!focus_viewer(p)) return false;
    // One xdotool run does down, pause, up, so a busy machine cannot stretch the tap into auto-repeat.
    int rc = run_tool({"xdotool", "keydown", keysym, "sleep", "0.05", "keyup", keysym}, display_of(p),
                      tool_timeout_ms);
    if (rc != 0) fprintf(stderr, "e2e: xdotool could not press \"%s\"\n", keysym.c_str());
    return rc == 0;
}

bool hold_key(const ViewerProcess* p, const std::string& keysym, int ms) {
    if (!focus_viewer(p)) return false;
    int rc = run_tool({"xdotool", "keydown", keysym, "sleep", seconds_text(ms), "keyup", keysym}, display_of(p),
                      std::max(ms, 0) + tool_timeout_ms);
    if (rc != 0) {
        // Never leave a key down on the server: later input would carry it as held.
        run_tool({"xdotool", "keyup", keysym}, display_of(p), tool_timeout_ms);
        fprintf(stderr, "e2e: xdotool could not hold \"%s\"\n", keysym.c_str());
    }
    return rc == 0;
}

bool click_mouse(const ViewerProcess* p, int x, int y, int button) {
    if (button < 1 || button > 9) {
        fprintf(stderr, "e2e: no mouse button %d\n", button);
        return false;
    }
    if (!point_inside(p, x, y)) return false;
    // No --sync on mousemove: it waits forever when the pointer is already there. The server handles the move and
    // the click in order, so the click lands at the new position anyway.
    int rc = run_tool({"xdotool", "mousemove", "--window", std::to_string(p->window), std::to_string(x),
                       std::to_string(y), "click", std::to_string(button)},
                      display_of(p), tool_timeout_ms);
    if (rc != 0) fprintf(stderr, "e2e: xdotool could not click at (%d, %d)\n", x, y);
    return rc == 0;
}

bool move_mouse(const ViewerProcess* p, int x, int y) {
    if (!point_inside(p, x, y)) return false;
    int rc = run_tool({"xdotool", "mousemove", "--window", std::to_string(p->window), std::to_string(x),
                       std::to_string(y)},
                      display_of(p), tool_timeout_ms);
    if (rc != 0) fprintf(stderr, "e2e: xdotool could not move the pointer to (%d, %d)\n", x, y);
    return rc == 0;
}

bool move_pointer_on_screen(const ViewerProcess* p, int x, int y) {
    if (!point_on_screen(p, x, y)) return false;
    int rc = run_tool({"xdotool", "mousemove", std::to_string(x), std::to_string(y)}, display_of(p), tool_timeout_ms);
    if (rc != 0) fprintf(stderr, "e2e: xdotool could not move the pointer to (%d, %d) on the screen\n", x, y);
    return rc == 0;
}

bool click_on_screen(const ViewerProcess* p, int x, int y, int button) {
    if (button < 1 || button > 9) {
        fprintf(stderr, "e2e: no mouse button %d\n", button);
        return false;
    }
    if (!point_on_screen(p, x, y)) return false;
    int rc = run_tool({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)},
                      display_of(p), tool_timeout_ms);
    if (rc != 0) fprintf(stderr, "e2e: xdotool could not click at (%d, %d) on the screen\n", x, y);
    return rc == 0;
}

// ---- other windows ----

bool list_top_level_windows(const ViewerProcess* p, std::vector<TopLevelWindow>* out) {
    out->clear();
    Display* d = open_display(display_of(p));
    if (!d) return false;
    Window root_ret = 0, parent_ret = 0;
    Window* kids = nullptr;
    unsigned int n = 0;
    g_x_error = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root_ret, &parent_ret, &kids, &n)) {
        g_x_error = 0;
        return false;
    }
    std::vector<Window> children(kids, kids + n);
    if (kids) XFree(kids);
    for (Window w : children) {
        XWindowAttributes attrs;
        g_x_error = 0;
        if (!XGetWindowAttributes(d, w, &attrs) || !sync_ok(d)) continue;  // destroyed meanwhile
        TopLevelWindow t;
        t.id = w;
        t.x = attrs.x + attrs.border_width;
        t.y = attrs.y + attrs.border_width;
        t.width = attrs.width;
        t.height = attrs.height;
        t.viewable = attrs.map_state == IsViewable;
        t.override_redirect = attrs.override_redirect != 0;
        out->push_back(t);
    }
    g_x_error = 0;
    return true;
}

bool capture_window_id(const ViewerProcess* p, unsigned long window, Screenshot* out) {
    Display* d = open_display(display_of(p));
    if (!d) return false;
    bool ok = capture_from(d, window, out);
    g_x_error = 0;
    return ok;
}

bool request_redraw(const ViewerProcess* p, unsigned long window) {
    Display* d = open_display(display_of(p));
    if (!d) return false;
    g_x_error = 0;
    XClearArea(d, window, 0, 0, 0, 0, True);
    return sync_ok(d);
}

// ---- images ----

bool save_png(const Screenshot& s, const std::string& path) {
    if (!is_well_formed(s) || s.width == 0 || s.height == 0) {
        fprintf(stderr, "e2e: not saving an empty or malformed image to %s\n", path.c_str());
        return false;
    }
    // Uncompressed deflate ("stored" blocks) keeps this writer tiny; the files are for a person to look at.
    size_t row_bytes = static_cast<size_t>(s.width) * 3 + 1;
    std::vector<unsigned char> raw;
    raw.reserve(row_bytes * s.height);
    for (int y = 0; y < s.height; ++y) {
        raw.push_back(0);  // filter: none
        const unsigned char* row = pixel_at(s, 0, y);
        raw.insert(raw.end(), row, row + static_cast<size_t>(s.width) * 3);
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    const size_t block = 65535;
    for (size_t pos = 0; pos < raw.size() || pos == 0; pos += block) {
        size_t n = std::min(block, raw.size() - pos);
        bool last = pos + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        if (last) break;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    append_be32(&z, (b << 16) | a);

    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<unsigned char> ihdr;
    append_be32(&ihdr, static_cast<uint32_t>(s.width));
    append_be32(&ihdr, static_cast<uint32_t>(s.height));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    append_chunk(&file, "IHDR", ihdr);
    append_chunk(&file, "IDAT", z);
    append_chunk(&file, "IEND", {});
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) fprintf(stderr, "e2e: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

double mean_brightness(const Screenshot& s, int x0, int y0, int x1, int y1) {
    if (!clip_rect(s, &x0, &y0, &x1, &y1)) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const unsigned char* px = pixel_at(s, x, y);
            sum += px[0] + px[1] + px[2];
        }
    }
    return sum / 3.0 / (static_cast<double>(x1 - x0) * (y1 - y0));
}

double colour_variance(const Screenshot& s, int x0, int y0, int x1, int y1) {
    if (!clip_rect(s, &x0, &y0, &x1, &y1)) return std::numeric_limits<double>::quiet_NaN();
    double sum[3] = {0, 0, 0}, sq[3] = {0, 0, 0};
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const unsigned char* px = pixel_at(s, x, y);
            for (int c = 0; c < 3; ++c) {
                sum[c] += px[c];
                sq[c] += static_cast<double>(px[c]) * px[c];
            }
        }
    }
    double n = static_cast<double>(x1 - x0) * (y1 - y0);
    double var = 0;
    for (int c = 0; c < 3; ++c) {
        double mean = sum[c] / n;
        var += std::max(0.0, sq[c] / n - mean * mean);
    }
    return var / 3.0;
}

double fraction_near_colour(const Screenshot& s, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance) {
    if (!clip_rect(s, &x0, &y0, &x1, &y1)) return std::numeric_limits<double>::quiet_NaN();
    const int want[3] = {r, g, b};
    long long near = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const unsigned char* px = pixel_at(s, x, y);
            bool ok = true;
            for (int c = 0; c < 3 && ok; ++c) ok = std::abs(px[c] - want[c]) <= tolerance;
            near += ok;
        }
    }
    return static_cast<double>(near) / (static_cast<double>(x1 - x0) * (y1 - y0));
}

double fraction_differing(const Screenshot& a, const Screenshot& b, int threshold) {
    if (!is_well_formed(a) || !is_well_formed(b)) return std::numeric_limits<double>::quiet_NaN();
    if (a.width != b.width || a.height != b.height) return 1.0;
    size_t pixels = static_cast<size_t>(a.width) * a.height;
    if (pixels == 0) return 0.0;
    size_t differing = 0;
    for (size_t i = 0; i < pixels; ++i) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a.rgb[i * 3 + c] - b.rgb[i * 3 + c]));
        differing += worst > threshold;
    }
    return static_cast<double>(differing) / static_cast<double>(pixels);
}

// ---- private X server ----

bool start_private_display(int width, int height, std::string* display_name, pid_t* xvfb_pid) {
    *xvfb_pid = -1;
    display_name->clear();
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        fprintf(stderr, "e2e: bad screen size %dx%d\n", width, height);
        return false;
    }
    std::string xvfb = find_in_path("Xvfb");
    if (xvfb.empty()) {
        fprintf(stderr, "e2e: Xvfb not found in PATH\n");
        return false;
    }
    // Xvfb picks a free display number itself and writes it to -displayfd once it accepts connections: no race with
    // other servers, and no guessing when it is ready.
    int num_pipe[2];
    ensure_standard_fds();
    if (pipe2(num_pipe, O_CLOEXEC) != 0) {
        fprintf(stderr, "e2e: cannot create pipe: %s\n", strerror(errno));
        return false;
    }
    char log_path[] = "/tmp/kestrolane-xvfb-XXXXXX";
    int log_fd = mkostemp(log_path, O_CLOEXEC);
    SpawnPlan plan;
    plan.path = xvfb;
    plan.argv = {xvfb,   "-displayfd", std::to_string(num_pipe[1]), "-screen", "0",
                 std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp", "-noreset"};
    plan.env = make_environment("");
    plan.stderr_fd = log_fd;
    plan.keep_fd = num_pipe[1];
    std::string error;
    pid_t pid = spawn_child(plan, &error);
    close(num_pipe[1]);
    std::string number;
    bool ok = pid > 0;
    if (!ok) fprintf(stderr, "e2e: %s\n", error.c_str());
    if (ok) {
        remember_child(pid, true);
        Clock::time_point start = Clock::now();
        for (;;) {
            long long left = 15000 - elapsed_ms(start);
            if (left <= 0) {
                fprintf(stderr, "e2e: Xvfb did not become ready within 15 s\n");
                ok = false;
                break;
            }
            struct pollfd pfd = {num_pipe[0], POLLIN, 0};
            int r = poll(&pfd, 1, static_cast<int>(left));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) continue;
            char buf[32];
            ssize_t n = read(num_pipe[0], buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                fprintf(stderr, "e2e: Xvfb exited before it was ready\n");
                ok = false;
                break;
            }
            number.append(buf, static_cast<size_t>(n));
            if (number.find('\n') != std::string::npos) break;
        }
    }
    close(num_pipe[0]);
    if (ok) {
        number.erase(number.find_first_not_of("0123456789") == std::string::npos
                         ? number.size()
                         : number.find_first_not_of("0123456789"));
        ok = !number.empty();
    }
    if (ok) {
        *display_name = ":" + number;
        {
            std::lock_guard<std::mutex> lock(g_children_mutex);
            for (PrivateDisplay& x : g_displays) {
                if (x.pid == pid) x.name = *display_name;
            }
        }
        ok = open_display(*display_name) != nullptr;
        if (!ok) fprintf(stderr, "e2e: Xvfb reported %s but it does not accept connections\n", display_name->c_str());
    }
    if (!ok) {
        if (log_fd >= 0) {
            std::string log = read_file(log_path);
            if (!log.empty()) fprintf(stderr, "e2e: Xvfb said:\n%s\n", log.c_str());
        }
        if (pid > 0) stop_private_display(pid);
        display_name->clear();
    } else {
        *xvfb_pid = pid;
    }
    if (log_fd >= 0) {
        close(log_fd);
        unlink(log_path);
    }
    return ok;
}

void stop_private_display(pid_t xvfb_pid) {
    std::string name;
    {
        std::lock_guard<std::mutex> lock(g_children_mutex);
        auto it = std::find_if(g_displays.begin(), g_displays.end(),
                               [xvfb_pid](const PrivateDisplay& x) { return x.pid == xvfb_pid; });
        if (xvfb_pid <= 0 || it == g_displays.end()) return;
        name = it->name;
    }
    if (!name.empty()) close_display(name);
    int status = 0;
    kill(xvfb_pid, SIGTERM);
    if (!reap_within(xvfb_pid, 5000, &status)) {
        kill(xvfb_pid, SIGKILL);
        reap_within(xvfb_pid, 5000, &status);
    }
    forget_child(xvfb_pid);
}

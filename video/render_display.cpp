// The X display the flight-rendering mode draws on.
#include "video/render_display.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/child_process.h"
#include "files/whole_file.h"
#include "state/render_state.h"

constexpr int XVFB_START_MS = 15000;
constexpr int XVFB_STOP_MS = 3000;

namespace {

void put_field(FILE* f, const void* data, unsigned length) {
    fputc((int)(length >> 8), f);
    fputc((int)(length & 0xff), f);
    fwrite(data, 1, length, f);
}

// Writes an authority file with one random cookie that matches any display
// (family "wild", no display number), so that only this process and its
// children, which read it through XAUTHORITY, may connect.
bool write_auth_file(char* error, size_t error_size) {
    unsigned char cookie[16];
    int random = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    bool got = random >= 0 && read(random, cookie, sizeof cookie) == (ssize_t)sizeof cookie;
    if (random >= 0) close(random);
    int fd = got ? create_temporary_file(TEMPORARY_FOLDER, XAUTH_FILE_PREFIX, "", 0600, render_auth_path, sizeof render_auth_path)
                 : -1;
    FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!f) {
        if (fd >= 0) close(fd);
        if (fd >= 0) unlink(render_auth_path);
        render_auth_path[0] = '\0';
        snprintf(error, error_size, "Cannot make a key for a private X server: %s", strerror(errno));
        return false;
    }
    const unsigned char wild[2] = {0xff, 0xff};
    fwrite(wild, 1, 2, f);
    put_field(f, "", 0);
    put_field(f, "", 0);
    put_field(f, "MIT-MAGIC-COOKIE-1", 18);
    put_field(f, cookie, sizeof cookie);
    bool ok = fclose(f) == 0;
    if (!ok) snprintf(error, error_size, "Cannot make a key for a private X server: %s", strerror(errno));
    return ok;
}

bool can_open_display(const char* name) {
    if (!name || !*name) return false;
    Display* d = XOpenDisplay(name);
    if (!d) return false;
    XCloseDisplay(d);
    return true;
}

// Reads the display number Xvfb writes once it accepts connections.
bool read_display_number(int fd, char* number, size_t size) {
    size_t used = 0;
    for (int waited = 0; waited < XVFB_START_MS;) {
        pollfd p = {fd, POLLIN, 0};
        int r = poll(&p, 1, 100);
        if (r < 0 && errno != EINTR) return false;
        waited += 100;
        if (r <= 0) continue;
        ssize_t n = read(fd, number + used, size - 1 - used);
        if (n <= 0) return false;  // Xvfb ended without a display
        used += (size_t)n;
        number[used] = '\0';
        if (strchr(number, '\n')) {
            *strchr(number, '\n') = '\0';
            return used > 1;
        }
        if (used >= size - 1) return false;
    }
    return false;
}

}  // namespace

bool open_render_display(int screen_width, int screen_height, char* description, size_t description_size,
                         char* error, size_t error_size) {
    const char* display = getenv("DISPLAY");
    if (can_open_display(display)) {
        snprintf(description, description_size, "in an offscreen buffer on display %s", display);
        return true;
    }
    char program[1024];
    if (!find_program("Xvfb", program, sizeof program)) {
        snprintf(error, error_size,
                 "There is no display%s%s%s and Xvfb is not installed; install Debian's xvfb package "
                 "(scripts/install_deps.sh does) or run with a display",
                 display && *display ? " (cannot open " : "", display && *display ? display : "",
                 display && *display ? ")" : "");
        return false;
    }
    if (!write_auth_file(error, error_size)) return false;
    int fds[2];
    if (pipe(fds) != 0) {
        snprintf(error, error_size, "Cannot start Xvfb: %s", strerror(errno));
        return false;
    }
    char fd_text[16], screen[32];
    snprintf(fd_text, sizeof fd_text, "%d", fds[1]);
    snprintf(screen, sizeof screen, "%dx%dx24", screen_width, screen_height);
    // -noreset: the server must not reset when the first check disconnects.
    const char* args[] = {"Xvfb",    "-displayfd", fd_text, "-screen",  "0",        screen,
                          "-nolisten", "tcp",      "-auth",  render_auth_path, "-noreset", nullptr};
    setenv("XAUTHORITY", render_auth_path, 1);
    pid_t pid = start_child(program, (char* const*)args, -1, -1, -1, fds[1]);
    close(fds[1]);
    char number[32] = "";
    bool started = pid > 0 && read_display_number(fds[0], number, sizeof number);
    close(fds[0]);
    if (pid > 0) render_xvfb_pid = pid;
    char name[40];
    snprintf(name, sizeof name, ":%s", number);
    if (!started || !can_open_display(name)) {
        close_render_display();
        snprintf(error, error_size, "There is no display, and a private Xvfb did not start");
        return false;
    }
    setenv("DISPLAY", name, 1);
    snprintf(description, description_size, "offscreen on a private X server (Xvfb %s), as no display is open", name);
    return true;
}

void close_render_display() {
    if (render_auth_path[0]) unlink(render_auth_path);
    render_auth_path[0] = '\0';
    pid_t pid = render_xvfb_pid;
    if (pid <= 0) return;
    render_xvfb_pid = -1;
    // Waiting lets Xvfb remove its socket and lock file before it would be
    // killed with this process.
    end_child(pid, XVFB_STOP_MS);
}

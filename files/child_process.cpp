// Starting and ending helper programs as child processes.
#include "files/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool is_executable(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, X_OK) == 0;
}

long now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

// Moves `fd` to `target` in the child; -1 opens /dev/null there.
void place_fd(int fd, int target, int flags) {
    if (fd < 0) fd = open("/dev/null", flags);
    if (fd >= 0 && fd != target) dup2(fd, target);
}

}  // namespace

bool find_program(const char* program, char* found, size_t found_size) {
    if (strchr(program, '/')) {
        snprintf(found, found_size, "%s", program);
        return is_executable(program);
    }
    const char* path = getenv("PATH");
    if (!path || !*path) path = "/usr/bin:/bin";
    while (*path) {
        const char* end = strchr(path, ':');
        size_t n = end ? (size_t)(end - path) : strlen(path);
        int written = snprintf(found, found_size, "%.*s/%s", (int)n, n ? path : ".", program);
        if (written > 0 && (size_t)written < found_size && is_executable(found)) return true;
        path += n + (end ? 1 : 0);
    }
    return false;
}

pid_t start_child(const char* path, char* const argv[], int in_fd, int out_fd, int err_fd, int keep_fd) {
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) return pid;
    // In the child: only async-signal-safe calls until exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    place_fd(in_fd, 0, O_RDONLY);
    place_fd(out_fd, 1, O_WRONLY);
    place_fd(err_fd, 2, O_WRONLY);
    long max_fd = sysconf(_SC_OPEN_MAX);
    if (max_fd < 0 || max_fd > 65536) max_fd = 65536;
    for (int fd = 3; fd < max_fd; ++fd)
        if (fd != keep_fd) close(fd);
    if (keep_fd >= 0) fcntl(keep_fd, F_SETFD, 0);  // survives the exec even if opened close-on-exec
    signal(SIGPIPE, SIG_DFL);
    execv(path, argv);
    const char* text = "cannot run the program\n";
    if (write(2, text, strlen(text)) < 0) _exit(127);
    _exit(127);
}

bool wait_for_child(pid_t pid, int timeout_ms, int* status) {
    if (pid <= 0) return false;
    long end = now_ms() + timeout_ms;
    for (;;) {
        int raw = 0;
        pid_t r = waitpid(pid, &raw, timeout_ms < 0 ? 0 : WNOHANG);
        if (r == pid) {
            *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        }
        if (r < 0 && errno != EINTR) return false;
        if (timeout_ms >= 0 && now_ms() >= end) return false;
        if (r == 0) {
            timespec pause = {0, 10 * 1000000L};
            nanosleep(&pause, nullptr);
        }
    }
}

void end_child(pid_t pid, int timeout_ms) {
    if (pid <= 0) return;
    int status = 0;
    kill(pid, SIGTERM);
    if (wait_for_child(pid, timeout_ms, &status)) return;
    kill(pid, SIGKILL);
    wait_for_child(pid, -1, &status);
}

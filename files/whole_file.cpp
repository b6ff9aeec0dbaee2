// Saving a file whole or not at all.
#include "files/whole_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

constexpr int NAME_ATTEMPTS = 100;  // taken names tried before giving up
constexpr int PENDING_SLOTS = 8;    // saves at once whose temporary a stop signal removes

namespace {

const char LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

void (*letters_for_test)(char* letters, int count) = nullptr;
void (*volatile stop_first)() = nullptr;  // what a stop signal runs before removing the temporaries

// Temporary files a stop signal removes: a slot's path is written before the
// slot is marked used, so a handler never reads a half-written path.
char pending_paths[PENDING_SLOTS][WHOLE_FILE_PATH_SIZE];
volatile sig_atomic_t pending_used[PENDING_SLOTS];

void make_letters(char* letters) {
    if (letters_for_test) {
        letters_for_test(letters, TEMPORARY_LETTERS);
        return;
    }
    unsigned char bytes[TEMPORARY_LETTERS];
    if (getrandom(bytes, sizeof bytes, 0) != (ssize_t)sizeof bytes) {
        // No random source: the clock still makes the names hard to foresee,
        // and O_EXCL keeps a foreseen name from being used anyway.
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        unsigned long mix = (unsigned long)now.tv_nsec * 2654435761u ^ (unsigned long)getpid();
        for (unsigned char& b : bytes) b = (unsigned char)(mix >>= 5);
    }
    for (int i = 0; i < TEMPORARY_LETTERS; ++i) letters[i] = LETTERS[bytes[i] % (sizeof LETTERS - 1)];
}

int list_pending(const char* path) {
    for (int i = 0; i < PENDING_SLOTS; ++i) {
        if (pending_used[i]) continue;
        snprintf(pending_paths[i], sizeof pending_paths[i], "%s", path);
        pending_used[i] = 1;
        return i;
    }
    return -1;  // not removed by a signal; the next start sweeps it
}

void unlist_pending(WholeFile* out) {
    if (out->pending_slot >= 0) pending_used[out->pending_slot] = 0;
    out->pending_slot = -1;
}

// Writes all of `data` at the end of the file; returns 0 or the errno.
int write_block(int fd, const char* data, size_t size, long long offset) {
    const size_t total = size;
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        data += n;
        size -= (size_t)n;
    }
    // Start putting the block on the disk now, so that the sync at the end
    // has little left to wait for.
    sync_file_range(fd, offset, (off_t)total, SYNC_FILE_RANGE_WRITE);
    return 0;
}

void wait_for_writer(WholeFile* out) {
    if (!out->writer.joinable()) return;
    out->writer.join();
    if (out->writer_failure && !out->failure) out->failure = out->writer_failure;
    out->writer_failure = 0;
}

// Hands the current block to the file. `background`: the block is full and
// more is to come, so the writer thread takes it while this thread fills
// the other block; else it is written at once.
void write_out_block(WholeFile* out, bool background) {
    char* data = out->blocks[out->current];
    const size_t size = (size_t)(out->end - data);
    wait_for_writer(out);
    if (size == 0) return;
    const long long offset = out->size;
    out->size += (long long)size;
    out->end = data;
    if (out->failure) return;  // after a failed write nothing more goes to the file
    if (background && out->block_size < WHOLE_FILE_BLOCK) {
        // A file larger than the first block: it is written as it goes, in
        // large blocks from now on.
        out->failure = write_block(out->fd, data, size, offset);
        char* larger = (char*)malloc(WHOLE_FILE_BLOCK);
        if (larger) {
            free(data);
            out->blocks[out->current] = out->end = larger;
            out->block_size = WHOLE_FILE_BLOCK;
        }
        return;
    }
    const int other = out->current ^ 1;
    if (background && !out->blocks[other]) out->blocks[other] = (char*)malloc(WHOLE_FILE_BLOCK);
    if (background && out->blocks[other]) {
        try {
            out->writer = std::thread([out, data, size, offset] {
                out->writer_failure = write_block(out->fd, data, size, offset);
            });
            out->current = other;
            out->end = out->blocks[other];
            return;
        } catch (const std::system_error&) {
        }
    }
    out->failure = write_block(out->fd, data, size, offset);
}

void release(WholeFile* out) {
    wait_for_writer(out);
    for (char*& block : out->blocks) {
        free(block);
        block = nullptr;
    }
    out->end = nullptr;
    if (out->fd >= 0) close(out->fd);
    out->fd = -1;
}

void say_write_failure(const WholeFile* out, int failure, char* error, size_t error_size) {
    snprintf(error, error_size, "Cannot write %s: %s", out->target, strerror(failure));
}

// The pid in a name create_temporary_file made with this prefix and suffix, or -1.
long parse_temporary_name(const char* name, const char* prefix, const char* suffix) {
    const size_t prefix_length = strlen(prefix);
    if (strncmp(name, prefix, prefix_length) != 0 || name[prefix_length] != '-') return -1;
    const char* p = name + prefix_length + 1;
    long pid = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9' && digits < 10; ++p, ++digits) pid = pid * 10 + (*p - '0');
    if (digits == 0 || *p != '-' || pid <= 0) return -1;
    ++p;
    for (int i = 0; i < TEMPORARY_LETTERS; ++i, ++p)
        if (!*p || !strchr(LETTERS, *p)) return -1;
    return strcmp(p, suffix) == 0 ? pid : -1;
}

// Gives the file at `fd` the owner and group of `info` where this process
// may (the superuser may give a file away; others may pick one of their
// groups); false when it stays this process's own.
bool keep_owner(int fd, const struct stat& info) {
    return fchown(fd, info.st_uid, info.st_gid) == 0 || fchown(fd, (uid_t)-1, info.st_gid) == 0;
}

bool is_running(long pid) { return kill((pid_t)pid, 0) == 0 || errno == EPERM; }

void on_stop_signal(int signal_number) {
    if (stop_first) stop_first();
    remove_pending_temporaries();
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

}  // namespace

bool begin_whole_file(const char* path, WholeFile* out, char* error, size_t error_size) {
    out->fd = -1;
    out->failure = 0;
    out->size = 0;
    out->blocks[0] = out->blocks[1] = nullptr;
    out->block_size = WHOLE_FILE_FIRST_BLOCK;
    out->current = 0;
    out->end = nullptr;
    out->writer_failure = 0;
    out->pending_slot = -1;
    out->completed = false;
    out->temporary[0] = '\0';
    int n = snprintf(out->target, sizeof out->target, "%s", path);
    if (n < 0 || n >= (int)sizeof out->target || path[0] == '\0') {
        snprintf(error, error_size, "Cannot create %s: not a usable file name", path);
        out->target[0] = '\0';
        return false;
    }
    struct stat info;
    const bool replacing = stat(path, &info) == 0;
    if (replacing && !S_ISREG(info.st_mode)) {
        snprintf(error, error_size, "Cannot create %s: %s", path,
                 S_ISDIR(info.st_mode) ? "it is a folder" : "it exists and is not a regular file");
        return false;
    }
    // A rename would replace a file that a plain write could not change:
    // one the user may not write, or one marked read-only for everyone
    // (which even the superuser's saves leave alone).
    if (replacing && (info.st_mode & 0222) == 0) {
        snprintf(error, error_size, "Cannot replace %s: it is read-only", path);
        return false;
    }
    if (replacing && faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0) {
        snprintf(error, error_size, "Cannot replace %s: %s", path, strerror(errno));
        return false;
    }
    char folder[WHOLE_FILE_PATH_SIZE];
    copy_folder(path, folder, sizeof folder);
    out->fd = create_temporary_file(folder, SAVE_TEMPORARY_PREFIX, SAVE_TEMPORARY_SUFFIX, 0666, out->temporary,
                                    sizeof out->temporary);
    if (out->fd < 0) {
        snprintf(error, error_size, "Cannot create %s: %s", path, strerror(errno));
        out->temporary[0] = '\0';
        return false;
    }
    if (replacing) {
        // The owner first: a change of owner clears the set-id bits.
        keep_owner(out->fd, info);
        fchmod(out->fd, info.st_mode & 07777);
    }
    out->pending_slot = list_pending(out->temporary);
    out->blocks[0] = (char*)malloc(WHOLE_FILE_FIRST_BLOCK);
    if (!out->blocks[0]) {
        snprintf(error, error_size, "Cannot create %s: out of memory", path);
        discard_whole_file(out);
        return false;
    }
    out->end = out->blocks[0];
    return true;
}

char* reserve_whole_file(WholeFile* out, size_t bytes) {
    if ((size_t)(out->blocks[out->current] + out->block_size - out->end) < bytes) write_out_block(out, true);
    return out->end;
}

void append_whole_file(WholeFile* out, const void* data, size_t size) {
    const char* from = (const char*)data;
    while (size > 0) {
        size_t room = (size_t)(out->blocks[out->current] + out->block_size - out->end);
        if (room == 0) {
            write_out_block(out, true);
            continue;
        }
        size_t n = size < room ? size : room;
        memcpy(out->end, from, n);
        out->end += n;
        from += n;
        size -= n;
    }
}

void print_whole_file(WholeFile* out, const char* format, ...) {
    char* at = reserve_whole_file(out, WHOLE_FILE_LINE);
    va_list arguments;
    va_start(arguments, format);
    int n = vsnprintf(at, WHOLE_FILE_LINE, format, arguments);
    va_end(arguments);
    if (n < 0) n = 0;
    if ((size_t)n >= WHOLE_FILE_LINE) n = (int)WHOLE_FILE_LINE - 1;
    advance_whole_file(out, at + n);
}

bool complete_whole_file(WholeFile* out, char* error, size_t error_size) {
    if (out->fd < 0) {
        snprintf(error, error_size, "Cannot write %s: it was not begun", out->target);
        return false;
    }
    write_out_block(out, false);
    wait_for_writer(out);
    // The bytes reach the disk before the rename makes them the target, so
    // that a crash leaves the old file or the new one, never a short one.
    if (!out->failure && fdatasync(out->fd) != 0) out->failure = errno;
    if (out->failure) {
        say_write_failure(out, out->failure, error, error_size);
        discard_whole_file(out);
        return false;
    }
    out->completed = true;
    return true;
}

bool finish_whole_file(WholeFile* out, char* error, size_t error_size) {
    if (!out->completed && !complete_whole_file(out, error, error_size)) return false;
    release(out);
    if (rename(out->temporary, out->target) != 0) {
        say_write_failure(out, errno, error, error_size);
        discard_whole_file(out);
        return false;
    }
    unlist_pending(out);
    out->temporary[0] = '\0';
    return true;
}

void discard_whole_file(WholeFile* out) {
    release(out);
    if (out->temporary[0]) unlink(out->temporary);
    unlist_pending(out);
    out->temporary[0] = '\0';
}

int create_temporary_file(const char* folder, const char* prefix, const char* suffix, mode_t mode, char* path,
                          size_t path_size) {
    const size_t folder_length = strlen(folder);
    const char* separator = folder_length == 0 || folder[folder_length - 1] == '/' ? "" : "/";
    for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
        char letters[TEMPORARY_LETTERS + 1];
        make_letters(letters);
        letters[TEMPORARY_LETTERS] = '\0';
        int n = snprintf(path, path_size, "%s%s%s-%ld-%s%s", folder, separator, prefix, (long)getpid(), letters,
                         suffix);
        if (n < 0 || (size_t)n >= path_size) {
            errno = ENAMETOOLONG;
            return -1;
        }
        int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

int sweep_stale_temporaries(const char* folder, const char* prefix, const char* suffix) {
    DIR* dir = opendir(folder[0] ? folder : ".");
    if (!dir) return 0;
    const int dir_fd = dirfd(dir);
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        const long pid = parse_temporary_name(entry->d_name, prefix, suffix);
        if (pid < 0 || pid == (long)getpid() || is_running(pid)) continue;
        struct stat info;
        if (fstatat(dir_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode) || info.st_uid != geteuid()) continue;
        if (unlinkat(dir_fd, entry->d_name, 0) == 0) ++removed;
    }
    closedir(dir);
    return removed;
}

int sweep_stale_saves(const char* folder) {
    return sweep_stale_temporaries(folder, SAVE_TEMPORARY_PREFIX, SAVE_TEMPORARY_SUFFIX);
}

void copy_folder(const char* path, char* folder, size_t size) {
    const char* slash = strrchr(path, '/');
    if (!slash) snprintf(folder, size, "%s", "");
    else if (slash == path) snprintf(folder, size, "%s", "/");
    else snprintf(folder, size, "%.*s", (int)(slash - path), path);
}

void remove_pending_temporaries() {
    for (int i = 0; i < PENDING_SLOTS; ++i)
        if (pending_used[i]) unlink(pending_paths[i]);
}

void remove_temporaries_on_stop_signals(void (*before_exit)()) {
    stop_first = before_exit;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_stop_signal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void set_temporary_letters_for_test(void (*make)(char* letters, int count)) { letters_for_test = make; }

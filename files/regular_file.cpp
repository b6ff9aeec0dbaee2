// Opening asset files so that nothing but a regular file is ever read or written.
#include "files/regular_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void say_not_regular(const char* path, char* error, size_t error_size) {
    snprintf(error, error_size, "%s is not a regular file", path);
}

}  // namespace

int open_regular_file(const char* path, const char* what, char* error, size_t error_size) {
    // The kind is looked at before opening (opening some devices does
    // something), and again on the descriptor, which cannot have been
    // swapped; O_NONBLOCK keeps the open of a named pipe from waiting for a
    // writer in between.
    struct stat info;
    if (stat(path, &info) != 0) {
        snprintf(error, error_size, "%s not found %s", what, path);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        say_not_regular(path, error, error_size);
        return -1;
    }
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        snprintf(error, error_size, "%s not found %s", what, path);
        return -1;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        say_not_regular(path, error, error_size);
        return -1;
    }
    // Reads of a regular file never wait anyway; clear the flag so that
    // stdio sees an ordinary descriptor.
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

FILE* fopen_regular_file(const char* path, const char* what, char* error, size_t error_size) {
    int fd = open_regular_file(path, what, error, error_size);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        snprintf(error, error_size, "%s not found %s", what, path);
    }
    return file;
}

FILE* fopen_regular_for_writing(const char* path, const char* mode, char* error, size_t error_size) {
    struct stat info;
    if (stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
        snprintf(error, error_size, "Cannot create %s: it exists and is not a regular file", path);
        return nullptr;
    }
    // O_NONBLOCK: should a pipe appear at the path after the look, opening it
    // fails at once (no reader) or does not wait (a reader).
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        snprintf(error, error_size, "Cannot create %s: %s", path, strerror(errno));
        return nullptr;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        snprintf(error, error_size, "Cannot create %s: it exists and is not a regular file", path);
        return nullptr;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* file = fdopen(fd, mode);
    if (!file) {
        snprintf(error, error_size, "Cannot create %s: %s", path, strerror(errno));
        close(fd);
    }
    return file;
}

long long regular_file_size(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return (long long)info.st_size;
}

bool begin_whole_file(const char* path, WholeFile* out, char* error, size_t error_size) {
    out->file = nullptr;
    struct stat info;
    if (stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
        snprintf(error, error_size, "Cannot create %s: it exists and is not a regular file", path);
        return false;
    }
    const char* slash = strrchr(path, '/');
    int folder = slash ? (int)(slash - path) + 1 : 0;
    int n1 = snprintf(out->target, sizeof out->target, "%s", path);
    int n2 = snprintf(out->temporary, sizeof out->temporary, "%.*s.saving-%d.tmp", folder, path, (int)getpid());
    if (n1 < 0 || n1 >= (int)sizeof out->target || n2 < 0 || n2 >= (int)sizeof out->temporary) {
        snprintf(error, error_size, "Cannot create %s: the path is too long", path);
        return false;
    }
    out->file = fopen_regular_for_writing(out->temporary, "wb", error, error_size);
    if (!out->file) snprintf(error, error_size, "Cannot create %s: %s", path, strerror(errno));
    return out->file != nullptr;
}

bool finish_whole_file(WholeFile* out, char* error, size_t error_size) {
    bool ok = !ferror(out->file);
    ok = fclose(out->file) == 0 && ok;
    out->file = nullptr;
    if (ok && rename(out->temporary, out->target) != 0) ok = false;
    if (!ok) {
        snprintf(error, error_size, "Cannot write %s: %s", out->target, strerror(errno));
        unlink(out->temporary);
    }
    return ok;
}

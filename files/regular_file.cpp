// Opening asset files so that nothing but a regular file is ever read.
#include "files/regular_file.h"

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

long long regular_file_size(int fd) {
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return (long long)info.st_size;
}

// Output files that appear whole or not at all.
#include "files/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool create_temp_beside(const char* path, char* temp_path, size_t temp_size, char* error, size_t error_size) {
    struct stat st;
    if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) {
        snprintf(error, error_size, "Cannot write %s: it is a folder", path);
        return false;
    }
    const char* slash = strrchr(path, '/');
    int folder = slash ? (int)(slash - path) + 1 : 0;
    int n = snprintf(temp_path, temp_size, "%.*s.%s.XXXXXX", folder, path, path + folder);
    if (n < 0 || (size_t)n >= temp_size || path[folder] == '\0') {
        snprintf(error, error_size, "Cannot write %s: not a usable file name", path);
        return false;
    }
    int fd = mkstemp(temp_path);
    if (fd < 0) {
        snprintf(error, error_size, "Cannot write %s: %s", path, strerror(errno));
        temp_path[0] = '\0';
        return false;
    }
    // mkstemp makes the file private; the result should get the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return true;
}

bool commit_temp(const char* temp_path, const char* path, char* error, size_t error_size) {
    if (rename(temp_path, path) == 0) return true;
    snprintf(error, error_size, "Cannot write %s: %s", path, strerror(errno));
    unlink(temp_path);
    return false;
}

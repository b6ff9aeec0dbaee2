// Shared pieces of the fuzz targets: their scratch directory and input files.
#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string scratch;

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

void remove_scratch() {
    if (!scratch.empty()) nftw(scratch.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

const std::string& fuzz_scratch_dir() {
    if (scratch.empty()) {
        struct stat info;
        std::string base = stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) ? "/dev/shm" : "/tmp";
        if (const char* tmp = getenv("KESTROLANE_FUZZ_TMP")) base = tmp;
        std::string pattern = base + "/kestrolane-fuzz-XXXXXX";
        char* made = mkdtemp(&pattern[0]);
        if (!made) {
            perror("mkdtemp");
            abort();
        }
        scratch = made;
        atexit(remove_scratch);
    }
    return scratch;
}

std::string write_fuzz_file(const char* name, const uint8_t* data, size_t size) {
    std::string path = fuzz_scratch_dir() + "/" + name;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        perror(path.c_str());
        abort();
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            perror(path.c_str());
            abort();
        }
        done += (size_t)n;
    }
    close(fd);
    return path;
}

void fuzz_require(bool holds, const char* what) {
    if (holds) return;
    fprintf(stderr, "\nbroken: %s\n", what);
    abort();
}

// Writing a set of files so that each appears only once all of them are complete.
#include "import/output_set.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace {

constexpr int MOST_OPEN_FILES = 8;   // a set holds at most a terrain, a drape and a map with their info files
constexpr size_t PATH_BYTES = 4096;

// Temporary paths the signal handler deletes; plain arrays so that it needs no allocation.
char pending_paths[MOST_OPEN_FILES][PATH_BYTES];
volatile sig_atomic_t pending_count = 0;

void delete_pending_and_exit(int signal_number) {
    for (int i = 0; i < pending_count; ++i) unlink(pending_paths[i]);
    std::signal(signal_number, SIG_DFL);
    raise(signal_number);
}

void watch_pending(const std::vector<OutputFile>& files) {
    pending_count = 0;
    for (size_t i = 0; i < files.size() && i < (size_t)MOST_OPEN_FILES; ++i) {
        std::strncpy(pending_paths[i], files[i].temporary_path.c_str(), PATH_BYTES - 1);
        pending_paths[i][PATH_BYTES - 1] = '\0';
    }
    pending_count = (sig_atomic_t)std::min(files.size(), (size_t)MOST_OPEN_FILES);
    std::signal(SIGINT, delete_pending_and_exit);
    std::signal(SIGTERM, delete_pending_and_exit);
    std::signal(SIGHUP, delete_pending_and_exit);
}

void stop_watching() {
    pending_count = 0;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

bool open_output_set(OutputSet* set, const std::vector<std::string>& final_paths, std::string* error) {
    set->files.clear();
    if (final_paths.size() > (size_t)MOST_OPEN_FILES) {
        *error = "too many output files";
        return false;
    }
    for (size_t i = 0; i < final_paths.size(); ++i) {
        OutputFile f;
        f.final_path = final_paths[i];
        // Hidden, with no asset extension in it: the viewer's menus never list it.
        f.temporary_path = folder_of(f.final_path) + "/.import-" + std::to_string((long)getpid()) + "-" +
                           std::to_string(i) + ".tmp";
        f.file = std::fopen(f.temporary_path.c_str(), "wb");
        if (!f.file) {
            *error = "cannot write into '" + folder_of(f.final_path) + "': " + std::strerror(errno);
            discard_output_set(set);
            return false;
        }
        set->files.push_back(f);
        watch_pending(set->files);
    }
    return true;
}

bool finish_output_set(OutputSet* set, std::string* error) {
    bool ok = true;
    for (OutputFile& f : set->files) {
        if (!f.file) continue;
        const bool flushed = std::fflush(f.file) == 0 && !std::ferror(f.file);
        const int failure = errno;
        const bool closed = std::fclose(f.file) == 0;
        f.file = nullptr;
        if (ok && (!flushed || !closed)) {
            ok = false;
            *error = "cannot write '" + f.final_path + "': " + std::strerror(flushed ? errno : failure);
        }
    }
    for (size_t i = 0; ok && i < set->files.size(); ++i) {
        OutputFile& f = set->files[i];
        if (std::rename(f.temporary_path.c_str(), f.final_path.c_str()) != 0) {
            *error = "cannot replace '" + f.final_path + "': " + std::strerror(errno);
            ok = false;
            break;
        }
        f.temporary_path.clear();
    }
    discard_output_set(set);
    return ok;
}

void discard_output_set(OutputSet* set) {
    stop_watching();
    for (OutputFile& f : set->files) {
        if (f.file) std::fclose(f.file);
        f.file = nullptr;
        if (!f.temporary_path.empty()) std::remove(f.temporary_path.c_str());
        f.temporary_path.clear();
    }
    set->files.clear();
}

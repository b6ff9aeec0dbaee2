// Whether two paths name one file, so that a run never writes over a file it reads.
#include "files/same_file.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

namespace {

// The path with every link resolved; for a missing file, its resolved folder
// and its own name. "" when not even the folder resolves.
std::string resolve_path(const char* path) {
    char resolved[PATH_MAX];
    if (realpath(path, resolved)) return resolved;
    std::string text = path;
    const size_t slash = text.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : text.substr(0, slash);
    const std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
    if (name.empty() || name == "." || name == ".." || !realpath(folder.c_str(), resolved)) return "";
    return std::string(resolved) + (std::strcmp(resolved, "/") == 0 ? "" : "/") + name;
}

}  // namespace

bool is_same_file(const char* a, const char* b) {
    struct stat first, second;
    if (stat(a, &first) == 0 && stat(b, &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    const std::string resolved = resolve_path(a);
    return !resolved.empty() && resolved == resolve_path(b);
}

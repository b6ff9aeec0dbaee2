// Scratch files and captured console output for tests.
#include "tests/support/temp_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string run_dir;  // every scratch folder of this test run lies in it; "" until the first is asked for
pid_t run_pid = 0;    // the process that made run_dir and removes it

void remove_run_dir() {
    // A death test's child exits through here too, while its parent still uses the files.
    if (getpid() != run_pid) return;
    std::error_code ignored;
    std::filesystem::remove_all(run_dir, ignored);
}

}  // namespace

std::string make_temp_dir() {
    static int made = 0;
    if (run_dir.empty()) {
        char pattern[] = "/tmp/kestrolane-test-XXXXXX";
        if (!mkdtemp(pattern)) {
            perror("kestrolane tests: cannot make a scratch folder under /tmp");
            abort();
        }
        run_dir = pattern;
        run_pid = getpid();
        atexit(remove_run_dir);
    }
    std::string dir = run_dir + "/" + std::to_string(++made);
    if (mkdir(dir.c_str(), 0700) != 0) {
        perror(dir.c_str());
        abort();
    }
    return dir;
}

std::string write_temp_file(const std::string& name, const std::string& content) {
    std::string path = make_temp_dir() + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::string grid_terrain_text(int cols, int rows, float (*height)(int, int), const char* eol) {
    std::ostringstream out;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) out << "v " << c << " " << height(c, r) << " " << r << eol;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            out << "vt " << (float)c / (cols - 1) << " " << (float)r / (rows - 1) << eol;
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < cols; ++c) {
            int a = r * cols + c + 1, b = a + cols, d = a + 1, e = b + 1;
            // (x, z) -> (x, z + 1) -> (x + 1, z) is counter-clockwise from above.
            out << "f " << a << "/" << a << "/" << a << " " << b << "/" << b << "/" << b << " " << d << "/" << d << "/"
                << d << eol;
            out << "f " << d << "/" << d << "/" << d << " " << b << "/" << b << "/" << b << " " << e << "/" << e << "/"
                << e << eol;
        }
    }
    return out.str();
}

std::string scramble_face_pairs(const std::string& grid, size_t step) {
    size_t first_face = grid.find("f ");
    if (first_face == std::string::npos) return grid;
    std::vector<std::string> pairs;
    for (size_t at = first_face; at < grid.size();) {
        size_t second = grid.find('\n', at);
        size_t end = second == std::string::npos ? std::string::npos : grid.find('\n', second + 1);
        end = end == std::string::npos ? grid.size() : end + 1;
        pairs.push_back(grid.substr(at, end - at));
        at = end;
    }
    std::string text = grid.substr(0, first_face);
    for (size_t i = 0; i < pairs.size(); ++i) text += pairs[(i * step) % pairs.size()];
    return text;
}

std::vector<std::string> files_in(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

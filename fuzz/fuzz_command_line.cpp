// Fuzz target: the command lines of the importer and of the flight renderer.
//
// The first byte picks the program. Importer (even): the next 20 bytes are
// the ground and the raster's limits that choose_grid is asked about (two
// doubles, two 16-bit counts), then the arguments, separated by NUL bytes.
// Renderer (odd): the arguments after "--render-flight", separated by NUL
// bytes; then the files the run would read are listed and the output is
// checked against them, in a small world whose names include links to
// those files.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "fuzz/fuzz_support.h"
#include "import/import_run.h"
#include "video/render_options.h"

namespace {

constexpr size_t MOST_WORDS = 24;

struct WorldEntry {
    const char* path;
    const char* link;  // null: a file; "": a folder; "=NAME": a hard link of NAME; else a symbolic link to it
};

// Every file a default run reads, some that options name, and other names for them.
const WorldEntry WORLD[] = {
    {"DEM", ""},
    {"Drape", ""},
    {"Map", ""},
    {"Vector", ""},
    {"Flythrough", ""},
    {"Out", ""},
    {"Default.obj", nullptr},
    {"Default.raw", nullptr},
    {"Flythrough/t.flt", nullptr},
    {"DEM/a.dem", nullptr},
    {"Drape/d.raw", nullptr},
    {"Drape/d.info", nullptr},
    {"Map/m.raw", nullptr},
    {"Map/m.info", nullptr},
    {"Vector/v.vec", nullptr},
    {"navi_0.raw", nullptr},
    {"bill_2.raw", nullptr},
    {"side_0.raw", nullptr},
    {"sky_5.raw", nullptr},
    {"video.mp4", "Flythrough/t.flt"},
    {"still.png", "=Default.raw"},
    {"Out/up", ".."},
    {"Out/map.png", "../Map/m.raw"},
    {"loop", "loop"},
    {"dangling.mp4", "DEM/new.dem"},
};

bool world_made = false;

void make_world() {
    std::string dir = fuzz_scratch_dir() + "/world";
    fuzz_require(mkdir(dir.c_str(), 0755) == 0 && chdir(dir.c_str()) == 0, "world made");
    for (const WorldEntry& e : WORLD) {
        bool made;
        if (!e.link) {
            FILE* file = fopen(e.path, "w");
            made = file && fputs("1\n", file) >= 0 && fclose(file) == 0;
        } else if (!*e.link) {
            made = mkdir(e.path, 0755) == 0;
        } else if (e.link[0] == '=') {
            made = link(e.link + 1, e.path) == 0;
        } else {
            made = symlink(e.link, e.path) == 0;
        }
        fuzz_require(made, "world entry made");
    }
    world_made = true;
}

// The input's bytes from `from` on as NUL-separated words (at most MOST_WORDS).
std::vector<std::string> split_words(const uint8_t* data, size_t size, size_t from) {
    std::vector<std::string> words;
    if (from >= size) return words;
    size_t start = from;
    for (size_t i = from; i <= size && words.size() < MOST_WORDS; ++i) {
        if (i == size || data[i] == '\0') {
            words.emplace_back((const char*)data + start, i - start);
            start = i + 1;
        }
    }
    return words;
}

bool is_terminated(const char* text, size_t size) { return memchr(text, '\0', size) != nullptr; }

bool same_inode(const char* a, const char* b) {
    struct stat first, second;
    return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

void check_grid(const uint8_t* header, const ImportOptions& options) {
    double width, depth;
    uint16_t most_x, most_y;
    memcpy(&width, header, 8);
    memcpy(&depth, header + 8, 8);
    memcpy(&most_x, header + 16, 2);
    memcpy(&most_y, header + 18, 2);
    most_x %= LARGEST_GRID_SIDE + 1;
    most_y %= LARGEST_GRID_SIDE + 1;
    int columns = 0, rows = 0;
    bool limited = false;
    choose_grid(width, depth, most_x, most_y, options.grid_columns, options.grid_rows, &columns, &rows, &limited);
    fuzz_require(columns >= 2 && columns <= std::max<int>(most_x, 2) && rows >= 2 && rows <= std::max<int>(most_y, 2),
                 "a grid has 2 to the raster's most vertices a side");
    if (options.grid_columns == 0)
        fuzz_require((long long)(columns - 1) * (rows - 1) * 2 <= MOST_FACES_BY_DEFAULT,
                     "the default grid stays within its faces");
    if (options.grid_columns > 0 && options.grid_rows > 0 && !limited)
        fuzz_require(columns == options.grid_columns && rows == options.grid_rows,
                     "a grid given in full and not limited is the grid");
}

void fuzz_importer(const uint8_t* data, size_t size) {
    constexpr size_t HEADER = 20;
    if (size < 1 + HEADER) return;
    std::vector<std::string> words = split_words(data, size, 1 + HEADER);
    std::vector<char*> argv = {(char*)"kestrolane-import"};
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    ImportOptions options;
    std::string error;
    if (!parse_import_options((int)argv.size() - 1, argv.data(), &options, &error)) {
        fuzz_require(!error.empty(), "a refused command line says why");
        return;
    }
    if (options.help) return;
    fuzz_require(options.grid_columns == 0 || (options.grid_columns >= 2 && options.grid_columns <= 1000000),
                 "grid columns are 0 or 2 and more");
    fuzz_require(options.grid_rows == 0 || (options.grid_rows >= 2 && options.grid_columns > 0),
                 "grid rows come with columns and are 2 and more");
    fuzz_require(std::isfinite(options.exaggeration) && options.exaggeration > 0.0 && options.exaggeration <= 1000.0,
                 "the exaggeration is above 0 and up to 1000");
    fuzz_require(options.cell_size == 0.0 || (options.cell_size >= SMALLEST_CELL_SIZE && options.cell_size <= 1e6),
                 "the cell size is 0 or one the terrain file's millimetres hold, up to a million");
    const std::string name = options.name.empty() ? name_from_path(options.elevation_path) : options.name;
    const std::string bad = check_terrain_name(name);
    if (options.name.empty()) fuzz_require(bad.empty(), "a name taken from the raster's path is a usable name");
    if (bad.empty()) {
        fuzz_require(name.find('/') == std::string::npos && name[0] != '.' && name.size() <= (size_t)LONGEST_NAME,
                     "a usable name keeps the files in the world's folders");
    }
    check_grid(data + 1, options);
}

void fuzz_renderer(const uint8_t* data, size_t size) {
    std::vector<std::string> words = split_words(data, size, 1);
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    RenderOptions o;
    char error[RENDER_ERROR_SIZE];
    error[0] = '\0';
    if (!parse_render_options((int)argv.size(), argv.data(), &o, error, sizeof error)) {
        fuzz_require(error[0] != '\0' && is_terminated(error, sizeof error), "a refused command line says why");
        return;
    }
    if (o.help) return;
    for (const char* text : {o.flight_path, o.output_path, o.terrain, o.drape, o.map, o.vector})
        fuzz_require(is_terminated(text, RENDER_PATH_SIZE), "every path ends inside its buffer");
    fuzz_require(o.width >= RENDER_MIN_SIDE && o.width <= RENDER_MAX_SIDE && o.height >= RENDER_MIN_SIDE &&
                     o.height <= RENDER_MAX_SIDE && (long)o.width * o.height <= RENDER_MAX_PIXELS,
                 "the frame size is within the limits");
    fuzz_require(o.still_frame >= 0 || (o.width % 2 == 0 && o.height % 2 == 0), "a video has even sides");
    fuzz_require(o.fps >= 1 && o.fps <= RENDER_MAX_FPS && o.still_frame >= -1, "frame rate and still in range");
    fuzz_require(!(o.drape[0] && o.map[0]), "a drape or a map, not both");

    RenderInputs inputs;
    list_render_inputs(o, "Default.obj", "Default.raw", &inputs);
    fuzz_require(inputs.count >= 3 && inputs.count <= RENDER_MOST_INPUTS, "the flight and start-up files are read");
    bool apart = check_output_apart(o, inputs, error, sizeof error);
    for (int i = 0; i < inputs.count; ++i) {
        fuzz_require(is_terminated(inputs.paths[i], sizeof inputs.paths[i]), "every input path ends in its buffer");
        // A run reads only files that exist: it stops at the first that does not.
        if (same_inode(o.output_path, inputs.paths[i]))
            fuzz_require(!apart, "an output that is a file the run reads is refused");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!world_made) make_world();
    if (size == 0) return 0;
    if (data[0] & 1)
        fuzz_renderer(data, size);
    else
        fuzz_importer(data, size);
    return 0;
}

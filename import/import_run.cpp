// The import command: options, checks, the steps from an elevation raster to world files, and the summary.
#include "import/import_run.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>

#include "files/content_hash.h"
#include "files/terrain_file.h"
#include "files/whole_file.h"
#include "files/terrain_writer.h"
#include "files/texture_file.h"
#include "import/drape_paint.h"
#include "import/elevation_raster.h"
#include "import/map_image.h"
#include "import/output_set.h"
#include "import/progress.h"
#include "import/terrain_location.h"
#include "state/session_state.h"
#include "state/world_state.h"
#include "terrain/level_cache.h"
#include "terrain/terrain_levels.h"
#include "terrain/terrain_mesh.h"
#include "terrain/terrain_tiles.h"

namespace {

constexpr long long BLOCK_CACHE_BYTES = 256LL << 20;  // GDAL's block cache during an import

const char* const USAGE =
    "Usage: kestrolane-import [options] ELEVATION_RASTER\n"
    "\n"
    "Turns an elevation raster into a terrain of the viewer's DEM menu with a\n"
    "shaded, tinted drape for the Raster menu and, with --map, an image for the\n"
    "Map menu. Reads any single-band raster GDAL opens: GeoTIFF, SRTM .hgt,\n"
    "ESRI ASCII grid (.asc), ERDAS Imagine (.img), netCDF, and more.\n"
    "\n"
    "Options:\n"
    "  -w, --world DIR        world to write into (default: the world beside\n"
    "                         this program, the one the viewer starts in)\n"
    "  -n, --name NAME        name in the menus (default: the raster's file name)\n"
    "  -g, --grid N | CxR     N vertices along the longer side, or C columns by\n"
    "                         R rows (default: the most under 500,000 faces);\n"
    "                         a raster of more than 1,073,741,824 cells is read\n"
    "                         only with a grid, one sample for each vertex\n"
    "  -e, --exaggeration F   multiply heights by F (default 1)\n"
    "  -m, --map IMAGE        also write Map/NAME.raw from IMAGE (RGB or grey),\n"
    "                         fitted to the same ground\n"
    "      --cell-size M      cells are M metres square (for rasters without a\n"
    "                         usable coordinate system)\n"
    "      --keep-heights     write heights as stored (default: measured down\n"
    "                         from the highest point, so the first view is over\n"
    "                         the land)\n"
    "  -h, --help             show this text\n"
    "\n"
    "Writes DEM/NAME.dem, Drape/NAME.raw and Drape/NAME.info (and Map/NAME.raw\n"
    "with Map/NAME.info), and DEM/NAME.location, where the terrain lies; files\n"
    "of the same name are replaced only once the new ones are complete.\n"
    "\n"
    "Usage: kestrolane-import --track TRACK --onto NAME [options]\n"
    "\n"
    "Lays a GPS track on a terrain imported before: a GPX track or route, KML,\n"
    "GeoJSON, GeoPackage, a shapefile, any line GDAL reads, in any coordinate\n"
    "system. Writes a flight along it, Flythrough/TRACK.flt; cones along it and\n"
    "billboards at its waypoints (or its start and end), Vector/TRACK.vec; the\n"
    "terrain's drape with the track drawn on it, Drape/NAME+TRACK.raw with its\n"
    "info file; and the fly-over the video is rendered from, Flythrough/\n"
    "TRACK.ride (the rider on the route, the camera, the route's distances,\n"
    "heights and times, the waypoints' names). Prints the command that renders\n"
    "the fly-over to a video.\n"
    "\n"
    "Options:\n"
    "      --track FILE       the track to lay\n"
    "      --onto NAME        the terrain to lay it on (DEM/NAME.dem)\n"
    "      --layer L          the layer holding the line, when several do\n"
    "      --above M          fly M metres over the ground (default 150)\n"
    "      --speed M          fly M metres a frame (default: 1 per 150 m of\n"
    "                         height, faster when a long track needs it to\n"
    "                         fit the 8000 frames a flight holds)\n"
    "      --duration S       the fly-over video lasts S seconds (default: half a\n"
    "                         minute and 10 s a km, from 45 s to 3 minutes)\n"
    "      --view V           chase (default: the camera follows the rider from\n"
    "                         behind and above) or eye (the rider's own view)\n"
    "      --chase-distance M the chase camera stays M metres from the rider\n"
    "                         (default: 5 seconds of travel, 250 m to 4 km)\n"
    "      --chase-pitch D    and looks down at it at D degrees (default 30)\n"
    "      --timing T         even (default: an even pace) or track (the pace of\n"
    "                         the track's own times, stops shortened to 20 s)\n"
    "  -n, --name TRACK       name of the flight and layer (default: the track's\n"
    "                         file name)\n"
    "  -w, --world DIR        as above\n";

// A command line being read: where it is, what it gave so far.
struct OptionParse {
    int argc;                          // words in argv, the program's name included
    char** argv;                       // the command line
    int next;                          // the word after the one being read
    ImportOptions* options;            // filled as options are read
    std::vector<std::string> rasters;  // the words that are no option
    std::string raster_option;         // an option given that only the raster import takes
    std::string track_option;          // one that only --track takes
    std::string* error;                // why a word was refused
};

// One option word: "--grid=20" is the option "--grid" with its value.
struct OptionWord {
    std::string word;   // the option, up to a '='
    std::string value;  // its value, once taken
    bool has_value;     // the value came after a '='
};

// What reading a word came to.
enum OptionRead { OPTION_NOT_MINE, OPTION_READ, OPTION_REFUSED };

// Everything a run opens, closed on every path out.
struct ImportRun {
    ElevationRaster elevation;
    MapRaster map;
    OutputSet outputs;
    ProgressBar bar;
};

// What an import settles before it reads: names, the raster's ground, the
// sizes of what it reads and writes, and the files it writes.
struct ImportPlan {
    std::string name;                // the terrain's name in the menus
    std::string world;               // the world written into
    int cells_x, cells_y;            // the raster's cells
    CellSize cell;                   // their ground size
    double width, depth;             // the terrain's ground, metres
    std::string size;                // "W x H" cells, for messages
    bool sampling;                   // the raster is too large to read whole: a --grid is sampled
    int drape_width, drape_height;   // texels of the drape
    int read_width, read_height;     // the grid the raster is read onto
    int columns, rows;               // the terrain's vertices
    bool limited;                    // a --grid was cut down to the raster's resolution
    int map_width, map_height;       // texels of the map; 0 without one
    std::string dem_path;            // the terrain file's final path
    std::vector<std::string> paths;  // every final path, in the order of run.outputs' files
    size_t location_file;            // the location record's place in paths
};

// What an import made of the heights, for the writing and the summary.
struct ImportedGround {
    long long missing;                // cells without a height, filled (estimated when sampling)
    double lowest, highest;           // the raster's heights, its unit
    double base;                      // height measured down from; 0 with --keep-heights
    float written_low, written_high;  // heights as written
    std::vector<float> grid;          // the terrain's heights, columns x rows
    std::vector<uint8_t> drape;       // RGB, drape_width x drape_height
    std::vector<uint8_t> map_pixels;  // the map's texels; empty without one
    bool map_stretched;               // the map was stretched over the terrain, not placed by coordinates
};

bool read_number(const char* text, double* value) {
    char* end = nullptr;
    errno = 0;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(*value);
}

// A whole number at *p, moving *p past it.
bool read_count(const char** p, int* value) {
    if (!(**p >= '0' && **p <= '9')) return false;
    char* stop = nullptr;
    errno = 0;
    const long n = std::strtol(*p, &stop, 10);
    if (errno != 0 || n > 1000000) return false;
    *value = (int)n;
    *p = stop;
    return true;
}

// "N" or "CxR".
bool read_grid(const char* text, int* columns, int* rows) {
    const char* p = text;
    if (!read_count(&p, columns)) return false;
    *rows = 0;
    if (*p == 'x' || *p == 'X') {
        ++p;
        if (!read_count(&p, rows)) return false;
    }
    return *p == '\0';
}

std::string format_value(const char* format, double a, double b = 0.0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

void read_grid_row(int row, double* heights, void* context) {
    const std::pair<const float*, int>* grid = (const std::pair<const float*, int>*)context;
    const float* from = grid->first + (size_t)row * grid->second;
    for (int c = 0; c < grid->second; ++c) heights[c] = from[c];
}

// The files of `datasets` as GDAL lists them, in order.
std::vector<std::string> list_dataset_files(std::initializer_list<GDALDatasetH> datasets) {
    std::vector<std::string> files;
    for (GDALDatasetH dataset : datasets) {
        if (!dataset) continue;
        char** list = GDALGetFileList(dataset);
        for (char** file = list; file && *file; ++file) files.push_back(*file);
        CSLDestroy(list);
    }
    return files;
}

OptionWord split_option_word(const char* text) {
    OptionWord w{text, "", false};
    const size_t eq = w.word.find('=');
    if (w.word.compare(0, 2, "--") == 0 && eq != std::string::npos) {
        w.value = w.word.substr(eq + 1);
        w.word = w.word.substr(0, eq);
        w.has_value = true;
    }
    return w;
}

// The option's value: after its '=', else the next word. False with a
// message naming `option` when the command line ends first.
bool take_option_value(OptionParse* p, OptionWord* w, const char* option) {
    if (w->has_value) return true;
    if (p->next >= p->argc) {
        *p->error = std::string(option) + " needs a value";
        return false;
    }
    w->value = p->argv[p->next++];
    return true;
}

OptionRead refuse_option(OptionParse* p, const std::string& message) {
    *p->error = message;
    return OPTION_REFUSED;
}

// --help, --world and --name, which both commands take.
OptionRead read_common_option(OptionParse* p, OptionWord& w) {
    ImportOptions* o = p->options;
    if (w.word == "-h" || w.word == "--help") {
        o->help = true;
    } else if (w.word == "-w" || w.word == "--world") {
        if (!take_option_value(p, &w, "--world")) return OPTION_REFUSED;
        o->world = w.value;
    } else if (w.word == "-n" || w.word == "--name") {
        if (!take_option_value(p, &w, "--name")) return OPTION_REFUSED;
        o->name = w.value;
        if (w.value.empty()) return refuse_option(p, "--name needs a value");
    } else {
        return OPTION_NOT_MINE;
    }
    return OPTION_READ;
}

// The raster import's options: --map, --grid, --exaggeration, --cell-size, --keep-heights.
OptionRead read_raster_option(OptionParse* p, OptionWord& w) {
    ImportOptions* o = p->options;
    const std::string& word = w.word;
    if (word == "-m" || word == "--map") {
        if (!take_option_value(p, &w, "--map")) return OPTION_REFUSED;
        o->map_path = w.value;
    } else if (word == "-g" || word == "--grid") {
        if (!take_option_value(p, &w, "--grid")) return OPTION_REFUSED;
        if (!read_grid(w.value.c_str(), &o->grid_columns, &o->grid_rows))
            return refuse_option(p, "--grid takes N or CxR (whole numbers), not '" + w.value + "'");
        if (o->grid_columns < 2 || (o->grid_rows != 0 && o->grid_rows < 2))
            return refuse_option(p, "grid '" + w.value + "' is smaller than 2 x 2 vertices");
    } else if (word == "-e" || word == "--exaggeration") {
        if (!take_option_value(p, &w, "--exaggeration")) return OPTION_REFUSED;
        if (!read_number(w.value.c_str(), &o->exaggeration) || !(o->exaggeration > 0.0) || o->exaggeration > 1000.0)
            return refuse_option(p, "--exaggeration takes a number above 0 and up to 1000, not '" + w.value + "'");
    } else if (word == "--cell-size") {
        if (!take_option_value(p, &w, "--cell-size")) return OPTION_REFUSED;
        if (!read_number(w.value.c_str(), &o->cell_size) || !(o->cell_size >= SMALLEST_CELL_SIZE) ||
            o->cell_size > LARGEST_CELL_SIZE)
            return refuse_option(p, "--cell-size takes metres from 0.01 (the terrain file keeps millimetres) up to "
                                    "1000000, not '" + w.value + "'");
    } else if (word == "--keep-heights" && !w.has_value) {
        o->keep_heights = true;
    } else {
        return OPTION_NOT_MINE;
    }
    p->raster_option = word;
    return OPTION_READ;
}

// The track's options: --track, --onto, --layer, --above, --speed.
OptionRead read_track_option(OptionParse* p, OptionWord& w) {
    ImportOptions* o = p->options;
    const std::string& word = w.word;
    if (word == "--track" || word == "--onto" || word == "--layer") {
        if (!take_option_value(p, &w, word.c_str())) return OPTION_REFUSED;
        if (word != "--track") p->track_option = word;
        std::string& field = word == "--track" ? o->track_path : word == "--onto" ? o->onto : o->layer;
        field = w.value;
        if (w.value.empty()) return refuse_option(p, word + " needs a value");
    } else if (word == "--above") {
        if (!take_option_value(p, &w, "--above")) return OPTION_REFUSED;
        p->track_option = word;
        if (!read_number(w.value.c_str(), &o->above) || !(o->above > 0.0) || o->above > 100000.0)
            return refuse_option(p, "--above takes metres above 0 and up to 100000, not '" + w.value + "'");
    } else if (word == "--duration" || word == "--chase-distance" || word == "--chase-pitch") {
        if (!take_option_value(p, &w, word.c_str())) return OPTION_REFUSED;
        p->track_option = word;
        double value = 0.0;
        const bool read = read_number(w.value.c_str(), &value);
        if (word == "--duration") {
            o->duration = value;
            if (!read || !(value >= RIDE_SHORTEST_DURATION) || value > RIDE_LONGEST_DURATION)
                return refuse_option(p, "--duration takes seconds from 10 to 14400, not '" + w.value + "'");
        } else if (word == "--chase-distance") {
            o->chase_distance = value;
            if (!read || !(value >= 10.0) || value > 100000.0)
                return refuse_option(p, "--chase-distance takes metres from 10 to 100000, not '" + w.value + "'");
        } else {
            o->chase_pitch = value;
            if (!read || !(value >= 5.0) || value > 85.0)
                return refuse_option(p, "--chase-pitch takes degrees from 5 to 85, not '" + w.value + "'");
        }
    } else if (word == "--view" || word == "--timing") {
        if (!take_option_value(p, &w, word.c_str())) return OPTION_REFUSED;
        p->track_option = word;
        if (word == "--view" && (w.value == "chase" || w.value == "eye")) o->eye_view = w.value == "eye";
        else if (word == "--timing" && (w.value == "even" || w.value == "track")) o->track_timing = w.value == "track";
        else
            return refuse_option(p, word + (word == "--view" ? " takes chase or eye" : " takes even or track") +
                                        ", not '" + w.value + "'");
    } else if (word == "--speed") {
        if (!take_option_value(p, &w, "--speed")) return OPTION_REFUSED;
        p->track_option = word;
        if (!read_number(w.value.c_str(), &o->speed) || !(o->speed >= 0.1) || o->speed > 10000.0)
            return refuse_option(p, "--speed takes metres a frame from 0.1 to 10000, not '" + w.value + "'");
    } else {
        return OPTION_NOT_MINE;
    }
    return OPTION_READ;
}

// Once every word is read: one command, with what it needs and nothing of the other's.
bool check_import_command(OptionParse* p) {
    ImportOptions* o = p->options;
    std::string& error = *p->error;
    if (o->help) return true;
    if (!o->track_path.empty()) {
        if (o->onto.empty()) error = "--track needs --onto NAME, the terrain to lay it on";
        else if (!p->rasters.empty()) error = "give a raster to import or --track, not both";
        else if (!p->raster_option.empty()) error = p->raster_option + " is for importing a raster, not for --track";
        else return true;
        return false;
    }
    if (!p->track_option.empty()) {
        error = p->track_option + " goes with --track";
        return false;
    }
    if (p->rasters.size() != 1) {
        error = p->rasters.empty() ? "no elevation raster given (see --help)"
                                   : "give one elevation raster, not " + std::to_string(p->rasters.size());
        return false;
    }
    o->elevation_path = p->rasters[0];
    return true;
}

int refuse(ImportRun* run, std::FILE* err, const std::string& message) {
    CPLPopErrorHandler();
    abandon_progress(&run->bar);
    discard_output_set(&run->outputs);
    close_map_raster(&run->map);
    close_elevation_raster(&run->elevation);
    std::fprintf(err, "kestrolane-import: %s\n", message.c_str());
    return IMPORT_FAILED;
}

// The terrain's name and the world: false with the refusal when either cannot be used.
bool plan_names(const ImportOptions& options, ImportPlan* plan, std::string* error) {
    plan->name = options.name.empty() ? name_from_path(options.elevation_path) : options.name;
    *error = check_terrain_name(plan->name);
    if (!error->empty()) return false;
    plan->world = options.world.empty() ? folder_of_program() + "/world" : options.world;
    if (!is_directory(plan->world)) {
        *error = "world '" + plan->world + "' is not a folder (give one with --world)";
        return false;
    }
    sweep_world_temporaries(plan->world);
    return true;
}

// Opens the raster and the map and measures the ground: false with the
// refusal for a raster or map that cannot be read, or is too large to be.
bool open_import_rasters(ImportRun& run, const ImportOptions& options, ImportPlan* plan, std::string* error) {
    if (!open_elevation_raster(options.elevation_path.c_str(), &run.elevation, error)) return false;
    plan->cells_x = run.elevation.frame.width;
    plan->cells_y = run.elevation.frame.height;
    if (!measure_cell_size(run.elevation.frame, options.cell_size, &plan->cell, error)) return false;
    plan->width = plan->cells_x * plan->cell.east;
    plan->depth = plan->cells_y * plan->cell.south;
    if (!(plan->width < LARGEST_COORDINATE / 10) || !(plan->depth < LARGEST_COORDINATE / 10)) {
        *error = "the raster covers more ground than a terrain can hold";
        return false;
    }
    // Every cell is read and averaged unless the raster is too large for
    // that to end in reasonable time; then only a grid asked for is sampled.
    plan->size = format_thousands(plan->cells_x) + " x " + format_thousands(plan->cells_y);
    plan->sampling = (long long)plan->cells_x * plan->cells_y > MOST_CELLS_READ;
    if (plan->sampling && options.grid_columns == 0) {
        *error = "'" + options.elevation_path + "' is " + plan->size + " cells; an import reads at most " +
                 format_thousands(MOST_CELLS_READ) +
                 " cells whole: give --grid N to sample N vertices along its longer side";
        return false;
    }
    if (!options.map_path.empty() && !open_map_raster(options.map_path.c_str(), &run.map, error)) return false;
    if ((long long)run.map.width * run.map.height > MOST_CELLS_READ) {
        *error = "map '" + options.map_path + "' is " + format_thousands(run.map.width) + " x " +
                 format_thousands(run.map.height) + " pixels; an import reads at most " +
                 format_thousands(MOST_CELLS_READ) + " (give a smaller copy of it)";
        return false;
    }
    return true;
}

// The sizes: the drape at about the raster's resolution; heights are read at
// the drape's size or less (or sampled once for each vertex), and the grid is
// averaged from those. False with the refusal when sampling would decode too
// much; says on `err` when it samples.
bool plan_import_sizes(const ImportRun& run, const ImportOptions& options, ImportPlan* plan, std::FILE* err,
                       std::string* error) {
    plan->drape_width = choose_texture_side(plan->cells_x, SMALLEST_DRAPE_SIDE);
    plan->drape_height = choose_texture_side(plan->cells_y, SMALLEST_DRAPE_SIDE);
    plan->read_width = std::min(plan->cells_x, plan->drape_width);
    plan->read_height = std::min(plan->cells_y, plan->drape_height);
    choose_grid(plan->width, plan->depth, std::min(plan->read_width, LARGEST_GRID_SIDE),
                std::min(plan->read_height, LARGEST_GRID_SIDE), options.grid_columns, options.grid_rows,
                &plan->columns, &plan->rows, &plan->limited);
    if (plan->sampling) {
        // One sample for each vertex; the drape is enlarged from them.
        plan->read_width = plan->columns;
        plan->read_height = plan->rows;
        const long long work = estimate_sampled_cells(run.elevation, plan->columns, plan->rows);
        if (work > MOST_CELLS_READ) {
            *error = "'" + options.elevation_path + "' is " + plan->size + " cells: sampling it for a " +
                     std::to_string(plan->columns) + " x " + std::to_string(plan->rows) + " grid decodes " +
                     format_thousands(work) + " cells of its blocks, more than the " +
                     format_thousands(MOST_CELLS_READ) + " an import reads; give a smaller --grid";
            return false;
        }
        std::fprintf(err, "kestrolane-import: '%s' is larger than an import reads whole: sampling %d x %d of its %s cells\n",
                     options.elevation_path.c_str(), plan->columns, plan->rows, plan->size.c_str());
    }
    plan->map_width = run.map.dataset ? choose_texture_side(run.map.width, SMALLEST_MAP_SIDE) : 0;
    plan->map_height = run.map.dataset ? choose_texture_side(run.map.height, SMALLEST_MAP_SIDE) : 0;
    return true;
}

// Begins the saves of every file the import writes, making the world's
// folders if need be. False with the refusal when an output is one of the
// files read, or a folder or file cannot be made.
bool begin_import_outputs(ImportRun& run, ImportPlan* plan, std::string* error) {
    const std::string& world = plan->world;
    const std::string& name = plan->name;
    plan->dem_path = world + "/DEM/" + name + ".dem";
    plan->paths = {plan->dem_path, world + "/Drape/" + name + ".raw", world + "/Drape/" + name + ".info"};
    if (run.map.dataset) {
        plan->paths.push_back(world + "/Map/" + name + ".raw");
        plan->paths.push_back(world + "/Map/" + name + ".info");
    }
    plan->location_file = plan->paths.size();
    plan->paths.push_back(terrain_location_path(world, name));
    std::string output;
    const std::string input = find_replaced_input(
        plan->paths, list_dataset_files({run.elevation.dataset, run.map.dataset, run.map.original}), &output);
    if (!input.empty()) {
        *error = "'" + input + "' is read by this import; writing " + output.substr(world.size() + 1) +
                 " would replace it (give another --name or --world)";
        return false;
    }
    return ensure_folder(world + "/DEM", error) && ensure_folder(world + "/Drape", error) &&
           (!run.map.dataset || ensure_folder(world + "/Map", error)) &&
           open_output_set(&run.outputs, plan->paths, error);
}

// Reading: the raster averaged (or sampled) onto the read grid, the holes
// filled. False with the refusal on a read error or a raster without heights.
bool read_import_heights(ImportRun& run, const ImportOptions& options, const ImportPlan& plan,
                         std::vector<float>* heights, ImportedGround* ground, std::string* error) {
    begin_progress(&run.bar, "Reading");
    if (!(plan.sampling ? sample_elevation_grid : read_elevation_grid)(&run.elevation, plan.read_width,
                                                                       plan.read_height, heights, &ground->missing,
                                                                       error, report_progress_callback, &run.bar))
        return false;
    end_progress(&run.bar);
    if (!fill_missing_cells(heights->data(), plan.read_width, plan.read_height)) {
        *error = "'" + options.elevation_path + "' holds no heights: every cell is no-data";
        return false;
    }
    const auto range = std::minmax_element(heights->begin(), heights->end());
    ground->lowest = *range.first;
    ground->highest = *range.second;
    return true;
}

// Resampling: the terrain grid by area, its heights measured and
// exaggerated as written, the drape's heights by interpolation (`heights` is
// freed). False with the refusal when heights would not fit a terrain file.
bool resample_import_heights(ImportRun& run, const ImportOptions& options, const ImportPlan& plan,
                             std::vector<float>* heights, std::vector<float>* drape_heights, ImportedGround* ground,
                             std::string* error) {
    begin_progress(&run.bar, "Resampling");
    std::vector<float>& grid = ground->grid;
    grid.resize((size_t)plan.columns * plan.rows);
    if (!resample_by_area(heights->data(), plan.read_width, plan.read_height,
                          divide_around_vertices(plan.read_width, plan.columns),
                          divide_around_vertices(plan.read_height, plan.rows), grid.data(), nullptr, nullptr)) {
        *error = "cannot average the heights onto the grid";
        return false;
    }
    report_progress(&run.bar, 0.3);
    // Measured down from the grid's highest vertex, the land lies below an eye
    // at height 0, where the viewer starts.
    ground->base = options.keep_heights ? 0.0 : *std::max_element(grid.begin(), grid.end());
    for (float& h : grid) h = (float)((h - ground->base) * options.exaggeration);
    const auto written = std::minmax_element(grid.begin(), grid.end());
    ground->written_low = *written.first;
    ground->written_high = *written.second;
    if (!(std::fabs(ground->written_low) < LARGEST_COORDINATE &&
          std::fabs(ground->written_high) < LARGEST_COORDINATE)) {
        *error = format_value("heights reach %g; a terrain file takes them below %g",
                              std::max(std::fabs(ground->written_low), std::fabs(ground->written_high)),
                              LARGEST_COORDINATE);
        return false;
    }
    drape_heights->resize((size_t)plan.drape_width * plan.drape_height);
    enlarge_bilinear(heights->data(), plan.read_width, plan.read_height, drape_heights->data(), plan.drape_width,
                     plan.drape_height, nullptr, nullptr);
    std::vector<float>().swap(*heights);
    end_progress(&run.bar);
    return true;
}

// Shading the drape from its heights (which are freed), then reading the map
// if there is one. False with the refusal when the map cannot be read.
bool paint_import_images(ImportRun& run, const ImportOptions& options, const ImportPlan& plan,
                         std::vector<float>* drape_heights, ImportedGround* ground, std::string* error) {
    begin_progress(&run.bar, "Shading");
    paint_drape(drape_heights->data(), plan.drape_width, plan.drape_height, plan.width / plan.drape_width,
                plan.depth / plan.drape_height, options.exaggeration, ground->lowest, ground->highest,
                &ground->drape, report_progress_callback, &run.bar);
    std::vector<float>().swap(*drape_heights);
    end_progress(&run.bar);
    ground->map_stretched = false;
    if (run.map.dataset) {
        begin_progress(&run.bar, "Map");
        if (!read_map_image(&run.map, run.elevation, plan.map_width, plan.map_height, &ground->map_pixels,
                            &ground->map_stretched, error, report_progress_callback, &run.bar))
            return false;
        end_progress(&run.bar);
    }
    return true;
}

// Writing every file and giving each its name once all are complete. False
// with the refusal when a number is too large for a file, the location is
// not finite, or the files cannot be written.
bool write_import_files(ImportRun& run, const ImportOptions& options, const ImportPlan& plan,
                        const ImportedGround& ground, std::string* error) {
    begin_progress(&run.bar, "Writing");
    WholeFile* files = run.outputs.files;
    std::pair<const float*, int> grid_rows(ground.grid.data(), plan.columns);
    const TerrainGrid terrain{plan.columns, plan.rows, -plan.width / 2.0, plan.width / 2.0, -plan.depth / 2.0,
                              plan.depth / 2.0, read_grid_row, &grid_rows};
    if (!write_grid_terrain(&files[0], terrain, report_progress_callback, &run.bar)) {
        *error = "cannot write '" + plan.dem_path + "': a number is too large for a terrain file";
        return false;
    }
    append_whole_file(&files[1], ground.drape.data(), ground.drape.size());
    print_info_file(&files[2], plan.drape_width, plan.drape_height, 3);
    if (run.map.dataset) {
        append_whole_file(&files[3], ground.map_pixels.data(), ground.map_pixels.size());
        print_info_file(&files[4], plan.map_width, plan.map_height, run.map.components);
    }
    const ElevationRaster& elevation = run.elevation;
    const TerrainLocation placed =
        locate_imported_terrain(elevation.frame, elevation.flip_columns, elevation.flip_rows, plan.columns,
                                plan.rows, plan.width, plan.depth, ground.base, options.exaggeration);
    if (!std::all_of(placed.affine, placed.affine + 6, [](double a) { return std::isfinite(a); })) {
        *error = "'" + options.elevation_path +
                 "' lies so far out that its terrain's coordinates are not finite numbers";
        return false;
    }
    const std::string location = format_terrain_location(placed);
    append_whole_file(&files[plan.location_file], location.data(), location.size());
    if (!finish_output_set(&run.outputs, error)) return false;
    end_progress(&run.bar);
    return true;
}

// Builds the levels of detail of a terrain the viewer draws with levels and
// keeps them beside it, so that its first load has them at once: the
// written file is read back as the viewer reads it, cut into the viewer's
// tiles and its levels built on every core. A terrain it cannot do this for
// is imported all the same (the viewer then builds its levels); a cache of
// an earlier terrain of the name goes, never to be mistaken for this one's.
// Returns the sentence for the summary ("" for none).
std::string keep_import_levels(ImportRun& run, const ImportPlan& plan, std::FILE* err) {
    char cache[LEVEL_CACHE_PATH_SIZE];
    if (!make_level_cache_path(plan.dem_path.c_str(), cache, sizeof cache)) return "";
    const long long faces = 2LL * (plan.columns - 1) * (plan.rows - 1);
    if (faces <= level_cache_min_faces || faces > INT_MAX || !(terrain_lod_error > 0.0f)) {
        unlink(cache);
        return "";
    }
    begin_progress(&run.bar, "Detail levels");
    std::string failure;
    try {
        TerrainRead read;
        TerrainParse parse;
        char error[TERRAIN_ERROR_SIZE];
        if (!begin_terrain_read(plan.dem_path.c_str(), &read, error, sizeof error)) throw std::runtime_error(error);
        bool parsed = parse_terrain_read(&read, &parse, error, sizeof error);
        const unsigned long long size = read.text.size, hash = parsed ? hash_content(read.text.data, read.text.size) : 0;
        end_terrain_read(&read);
        if (!parsed) throw std::runtime_error(error);
        report_progress(&run.bar, 0.1);
        install_terrain_mesh(&parse);
        terrain_lod_forced = 1;  // cut and built as the viewer does when it draws it with levels
        memcpy(level_cache_path, cache, sizeof level_cache_path);
        level_cache_terrain_size = size;
        level_cache_terrain_hash = hash;
        level_cache_revision = terrain_revision;
        if (!build_terrain_tiles(terrain_tile_faces)) throw std::bad_alloc();
        make_level_nodes();
        if (!build_level_nodes_now()) throw std::bad_alloc();
        report_progress(&run.bar, 0.9);
        char why[WHOLE_FILE_PATH_SIZE + 128] = "the terrain is not drawn with levels";
        if (!terrain_level_cache_wanted() || !write_level_cache(why, sizeof why)) throw std::runtime_error(why);
    } catch (const std::bad_alloc&) {
        failure = "not enough memory";
    } catch (const std::runtime_error& e) {
        failure = e.what();
    }
    reset_world_state();
    end_progress(&run.bar);
    if (!failure.empty()) {
        unlink(cache);
        std::fprintf(err, "kestrolane-import: the detail levels are not kept (%s); the viewer builds them at each load\n",
                     failure.c_str());
        return "";
    }
    return " Its detail levels are kept in DEM/" + plan.name + LEVEL_CACHE_EXTENSION + ", so that it loads ready to fly.";
}

// The summary of a finished import: the grid, the ground, the heights, the
// cells filled, the files written and what to choose in the viewer.
std::string describe_import(const ImportRun& run, const ImportOptions& options, const ImportPlan& plan,
                            const ImportedGround& ground) {
    const std::string& name = plan.name;
    const std::string unit = run.elevation.unit.empty() ? "(unit not given)" : run.elevation.unit;
    std::string summary =
        "Imported '" + options.elevation_path + "' as " + name + ": a " + std::to_string(plan.columns) + " x " +
        std::to_string(plan.rows) + " grid (" + format_thousands(2LL * (plan.columns - 1) * (plan.rows - 1)) +
        " faces" + (plan.limited ? ", limited by the raster's resolution" : "") + ") over " +
        format_length(plan.width) + " x " + format_length(plan.depth) + " from " + std::to_string(plan.cells_x) +
        " x " + std::to_string(plan.cells_y) + " cells" +
        (plan.sampling ? " (sampled " + std::to_string(plan.read_width) + " x " + std::to_string(plan.read_height) + ")"
                       : "") +
        " of " + format_value("%.4g x %.4g m", plan.cell.east, plan.cell.south) + " (" + plan.cell.basis + "). ";
    std::string how;
    if (!options.keep_heights) how = "down from the highest point";
    if (options.exaggeration != 1.0)
        how += (how.empty() ? "" : ", ") + format_value("exaggerated %g times", options.exaggeration);
    summary += "Heights " + format_value("%.1f to %.1f ", ground.lowest, ground.highest) + unit + ", written from " +
               format_value("%.1f to %.1f", ground.written_low, ground.written_high) +
               (how.empty() ? "" : " (" + how + ")") + ". ";
    const long long missing = ground.missing;
    if (missing > 0)
        summary += (plan.sampling ? "About " : "") + format_thousands(missing) + (missing == 1 ? " cell" : " cells") +
                   " without a height (" +
                   format_value("%.2g%%", 100.0 * missing / ((double)plan.cells_x * plan.cells_y)) + ") " +
                   (missing == 1 ? "was" : "were") + " filled from the ground around. ";
    else
        summary += "No cell lacked a height. ";
    summary += "Wrote DEM/" + name + ".dem, Drape/" + name + ".raw (" + std::to_string(plan.drape_width) + " x " +
               std::to_string(plan.drape_height) + " RGB) and Drape/" + name + ".info";
    if (run.map.dataset)
        summary += ", Map/" + name + ".raw (" + std::to_string(plan.map_width) + " x " +
                   std::to_string(plan.map_height) + (run.map.components == 3 ? " RGB, " : " grey, ") +
                   (ground.map_stretched ? "stretched over the terrain" : "fitted by its coordinates") + ") and Map/" +
                   name + ".info";
    summary += " in " + plan.world + ". In the viewer, choose File > DEM > " + name + ".dem, then File > Raster > " +
               name + ".raw.";
    return summary;
}

// The whole import into `run`, GDAL's errors held back; the caller closes
// the run when running out of memory ends it.
int import_raster(ImportRun& run, const ImportOptions& options, std::FILE* out, std::FILE* err) {
    ImportPlan plan{};
    ImportedGround ground{};
    std::vector<float> heights, drape_heights;
    std::string error;
    if (!plan_names(options, &plan, &error) || !open_import_rasters(run, options, &plan, &error) ||
        !plan_import_sizes(run, options, &plan, err, &error) || !begin_import_outputs(run, &plan, &error) ||
        !read_import_heights(run, options, plan, &heights, &ground, &error) ||
        !resample_import_heights(run, options, plan, &heights, &drape_heights, &ground, &error) ||
        !paint_import_images(run, options, plan, &drape_heights, &ground, &error) ||
        !write_import_files(run, options, plan, ground, &error))
        return refuse(&run, err, error);
    const std::string levels = keep_import_levels(run, plan, err);
    std::fprintf(out, "%s%s\n", describe_import(run, options, plan, ground).c_str(), levels.c_str());
    CPLPopErrorHandler();
    close_map_raster(&run.map);
    close_elevation_raster(&run.elevation);
    return IMPORT_OK;
}

}  // namespace

bool parse_import_options(int argc, char** argv, ImportOptions* options, std::string* error) {
    *options = ImportOptions{};
    options->exaggeration = 1.0;
    options->above = DEFAULT_ABOVE;
    options->chase_pitch = DEFAULT_CHASE_PITCH;
    OptionParse p{argc, argv, 1, options, {}, "", "", error};
    while (p.next < argc) {
        const char* text = argv[p.next++];
        OptionWord w = split_option_word(text);
        OptionRead read = read_common_option(&p, w);
        if (read == OPTION_NOT_MINE) read = read_raster_option(&p, w);
        if (read == OPTION_NOT_MINE) read = read_track_option(&p, w);
        if (read == OPTION_REFUSED) return false;
        if (read == OPTION_READ) continue;
        if (w.word.size() > 1 && w.word[0] == '-') {
            *error = "unknown option '" + std::string(text) + "' (see --help)";
            return false;
        }
        p.rasters.push_back(text);
    }
    return check_import_command(&p);
}

void print_import_usage(std::FILE* out) { std::fputs(USAGE, out); }

std::string name_from_path(const std::string& path) {
    // GDAL's sub-dataset form, NETCDF:"dir/file.nc":variable, quotes the file.
    std::string file = path;
    const size_t quote = path.find('"');
    if (quote != std::string::npos) file = path.substr(quote + 1, path.find('"', quote + 1) - quote - 1);
    const size_t slash = file.find_last_of('/');
    std::string name = file.substr(slash == std::string::npos ? 0 : slash + 1);
    name = name.substr(0, name.find('.'));
    for (char& c : name)
        if (!std::isalnum((unsigned char)c) && c != '-' && c != '_') c = '_';
    if (name.size() > (size_t)LONGEST_NAME) name.resize(LONGEST_NAME);
    return name.empty() ? "terrain" : name;
}

std::string check_terrain_name(const std::string& name) {
    if (name.empty()) return "the terrain name is empty";
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos || name[0] == '.')
        return "name '" + name + "' would leave the world's folders; use letters, digits, '-' and '_'";
    if (name.find('.') != std::string::npos)
        return "name '" + name + "' holds a '.'; the viewer finds an image's size in the file named up to a '.'";
    // The drape of a track laid on a terrain is TERRAIN+TRACK: no terrain's
    // own drape may have such a name.
    if (name.find(TRACK_DRAPE_SEPARATOR) != std::string::npos)
        return "name '" + name + "' holds a '" + TRACK_DRAPE_SEPARATOR + "', which names the drapes of tracks";
    for (char c : name)
        if ((unsigned char)c < 32 || c == 127) return "name holds a control character";
    if (name.size() > (size_t)LONGEST_NAME)
        return "name '" + name + "' is longer than " + std::to_string(LONGEST_NAME) + " characters";
    return "";
}

void choose_grid(double width, double depth, int most_x, int most_y, int requested_columns, int requested_rows,
                 int* columns, int* rows, bool* limited) {
    // A side has at least 2 vertices, whatever the raster allows.
    most_x = std::max(most_x, 2);
    most_y = std::max(most_y, 2);
    // Cells across per cell down, for square cells. Beyond these bounds every
    // side is held at 2 or its most anyway; within them no count overflows.
    const double ratio = width / depth;
    const double aspect = ratio > 1e-9 ? std::min(ratio, 1e9) : 1e-9;  // NaN too
    long c = 2, r = 2;
    if (requested_columns > 0 && requested_rows > 0) {
        c = requested_columns;
        r = requested_rows;
    } else if (requested_columns > 0) {
        if (width >= depth) {
            c = requested_columns;
            r = std::lround((c - 1) / aspect) + 1;
        } else {
            r = requested_columns;
            c = std::lround((r - 1) * aspect) + 1;
        }
    } else {
        const double cells = MOST_FACES_BY_DEFAULT / 2.0;
        c = (long)std::sqrt(cells * aspect) + 1;
        r = (long)std::sqrt(cells / aspect) + 1;
        // A long thin raster: the short side runs out first, the long side takes up the rest.
        if (r > most_y) {
            r = most_y;
            c = (long)(cells / (r - 1)) + 1;
        }
        if (c > most_x) {
            c = most_x;
            r = std::min<long>(most_y, (long)(cells / (c - 1)) + 1);
        }
        while ((c - 1) * (r - 1) > (long)cells) c > r ? --c : --r;
    }
    *limited = (requested_columns > 0) && (c > most_x || r > most_y);
    *columns = (int)std::clamp<long>(c, 2, most_x);
    *rows = (int)std::clamp<long>(r, 2, most_y);
}

int run_import(const ImportOptions& options, std::FILE* out, std::FILE* err) {
    ImportRun run{};
    start_progress_output(&run.bar, err);
    GDALAllRegister();
    // GDAL would keep up to a twentieth of the machine's memory in blocks; an
    // import uses most blocks once, so a little is as fast (unless the user
    // sets GDAL_CACHEMAX).
    if (!CPLGetConfigOption("GDAL_CACHEMAX", nullptr)) GDALSetCacheMax64(BLOCK_CACHE_BYTES);
    CPLPushErrorHandler(CPLQuietErrorHandler);
    try {
        return import_raster(run, options, out, err);
    } catch (const std::bad_alloc&) {
        // What the failed step held is freed by now; the temporaries go with the run.
        return refuse(&run, err, "not enough memory to import '" + options.elevation_path + "'");
    }
}

std::string folder_of_program() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    char* slash = std::strrchr(path, '/');
    if (!slash) return ".";
    *slash = '\0';
    return path;
}

bool is_directory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ensure_folder(const std::string& path, std::string* error) {
    if (mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && is_directory(path))) return true;
    *error = "cannot write into '" + path + "': " + (errno == EEXIST ? "not a folder" : std::strerror(errno));
    return false;
}

void sweep_world_temporaries(const std::string& world) {
    for (const char* folder : {"/DEM", "/Drape", "/Map", "/Flythrough", "/Vector"})
        sweep_stale_saves((world + folder).c_str());
}

std::string format_length(double metres) {
    char text[64];
    if (metres >= 10000.0)
        std::snprintf(text, sizeof text, "%.1f km", metres / 1000.0);
    else
        std::snprintf(text, sizeof text, "%.0f m", metres);
    return text;
}

std::string format_thousands(long long n) {
    std::string digits = std::to_string(n);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

// The import command: options, checks, the steps from an elevation raster to world files, and the summary.
#include "import/import_run.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>

#include "files/whole_file.h"
#include "files/terrain_writer.h"
#include "files/texture_file.h"
#include "import/drape_paint.h"
#include "import/elevation_raster.h"
#include "import/map_image.h"
#include "import/output_set.h"
#include "import/progress.h"
#include "import/terrain_location.h"

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
    "billboards at its waypoints (or its start and end), Vector/TRACK.vec; and\n"
    "the terrain's drape with the track drawn on it, Drape/NAME_TRACK.raw with\n"
    "its info file. Prints the command that renders the flight to a video.\n"
    "\n"
    "Options:\n"
    "      --track FILE       the track to lay\n"
    "      --onto NAME        the terrain to lay it on (DEM/NAME.dem)\n"
    "      --layer L          the layer holding the line, when several do\n"
    "      --above M          fly M metres over the ground (default 150)\n"
    "      --speed M          fly M metres a frame (default: 1 per 150 m of\n"
    "                         height, faster when a long track needs it to\n"
    "                         fit the 8000 frames a flight holds)\n"
    "  -n, --name TRACK       name of the flight and layer (default: the track's\n"
    "                         file name)\n"
    "  -w, --world DIR        as above\n";

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

// Everything a run opens, closed on every path out.
struct ImportRun {
    ElevationRaster elevation;
    MapRaster map;
    OutputSet outputs;
    ProgressBar bar;
};

int refuse(ImportRun* run, std::FILE* err, const std::string& message) {
    CPLPopErrorHandler();
    abandon_progress(&run->bar);
    discard_output_set(&run->outputs);
    close_map_raster(&run->map);
    close_elevation_raster(&run->elevation);
    std::fprintf(err, "kestrolane-import: %s\n", message.c_str());
    return IMPORT_FAILED;
}

}  // namespace

bool parse_import_options(int argc, char** argv, ImportOptions* options, std::string* error) {
    *options = ImportOptions{};
    options->exaggeration = 1.0;
    options->above = DEFAULT_ABOVE;
    std::vector<std::string> rasters;
    std::string raster_option, track_option;  // an option given that only one command takes
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        std::string value;
        bool has_value = false;
        const size_t eq = word.find('=');
        if (word.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
            has_value = true;
        }
        auto take_value = [&](const char* option) {
            if (has_value) return true;
            if (i + 1 >= argc) {
                *error = std::string(option) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        if (word == "-h" || word == "--help") {
            options->help = true;
        } else if (word == "-w" || word == "--world") {
            if (!take_value("--world")) return false;
            options->world = value;
        } else if (word == "-n" || word == "--name") {
            if (!take_value("--name")) return false;
            options->name = value;
            if (value.empty()) {
                *error = "--name needs a value";
                return false;
            }
        } else if (word == "-m" || word == "--map") {
            if (!take_value("--map")) return false;
            raster_option = word;
            options->map_path = value;
        } else if (word == "-g" || word == "--grid") {
            if (!take_value("--grid")) return false;
            raster_option = word;
            if (!read_grid(value.c_str(), &options->grid_columns, &options->grid_rows)) {
                *error = "--grid takes N or CxR (whole numbers), not '" + value + "'";
                return false;
            }
            if (options->grid_columns < 2 || (options->grid_rows != 0 && options->grid_rows < 2)) {
                *error = "grid '" + value + "' is smaller than 2 x 2 vertices";
                return false;
            }
        } else if (word == "-e" || word == "--exaggeration") {
            if (!take_value("--exaggeration")) return false;
            raster_option = word;
            if (!read_number(value.c_str(), &options->exaggeration) || !(options->exaggeration > 0.0) ||
                options->exaggeration > 1000.0) {
                *error = "--exaggeration takes a number above 0 and up to 1000, not '" + value + "'";
                return false;
            }
        } else if (word == "--cell-size") {
            if (!take_value("--cell-size")) return false;
            raster_option = word;
            if (!read_number(value.c_str(), &options->cell_size) || !(options->cell_size >= SMALLEST_CELL_SIZE) ||
                options->cell_size > LARGEST_CELL_SIZE) {
                *error = "--cell-size takes metres from 0.01 (the terrain file keeps millimetres) up to 1000000, "
                         "not '" + value + "'";
                return false;
            }
        } else if (word == "--keep-heights" && !has_value) {
            options->keep_heights = true;
            raster_option = word;
        } else if (word == "--track" || word == "--onto" || word == "--layer") {
            if (!take_value(word.c_str())) return false;
            if (word != "--track") track_option = word;
            std::string& field =
                word == "--track" ? options->track_path : word == "--onto" ? options->onto : options->layer;
            field = value;
            if (value.empty()) {
                *error = word + " needs a value";
                return false;
            }
        } else if (word == "--above") {
            if (!take_value("--above")) return false;
            track_option = word;
            if (!read_number(value.c_str(), &options->above) || !(options->above > 0.0) ||
                options->above > 100000.0) {
                *error = "--above takes metres above 0 and up to 100000, not '" + value + "'";
                return false;
            }
        } else if (word == "--speed") {
            if (!take_value("--speed")) return false;
            track_option = word;
            if (!read_number(value.c_str(), &options->speed) || !(options->speed >= 0.1) || options->speed > 10000.0) {
                *error = "--speed takes metres a frame from 0.1 to 10000, not '" + value + "'";
                return false;
            }
        } else if (word.size() > 1 && word[0] == '-') {
            *error = "unknown option '" + std::string(argv[i]) + "' (see --help)";
            return false;
        } else {
            rasters.push_back(argv[i]);
        }
    }
    if (options->help) return true;
    if (!options->track_path.empty()) {
        if (options->onto.empty()) *error = "--track needs --onto NAME, the terrain to lay it on";
        else if (!rasters.empty()) *error = "give a raster to import or --track, not both";
        else if (!raster_option.empty()) *error = raster_option + " is for importing a raster, not for --track";
        else return true;
        return false;
    }
    if (!track_option.empty()) {
        *error = track_option + " goes with --track";
        return false;
    }
    if (rasters.size() != 1) {
        *error = rasters.empty() ? "no elevation raster given (see --help)"
                                 : "give one elevation raster, not " + std::to_string(rasters.size());
        return false;
    }
    options->elevation_path = rasters[0];
    return true;
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

namespace {

// The whole import into `run`, GDAL's errors held back; the caller closes
// the run when running out of memory ends it.
int import_raster(ImportRun& run, const ImportOptions& options, std::FILE* out, std::FILE* err) {
    const std::string name = options.name.empty() ? name_from_path(options.elevation_path) : options.name;
    const std::string bad_name = check_terrain_name(name);
    if (!bad_name.empty()) return refuse(&run, err, bad_name);
    const std::string world = options.world.empty() ? folder_of_program() + "/world" : options.world;
    if (!is_directory(world))
        return refuse(&run, err, "world '" + world + "' is not a folder (give one with --world)");
    sweep_world_temporaries(world);

    std::string error;
    if (!open_elevation_raster(options.elevation_path.c_str(), &run.elevation, &error)) return refuse(&run, err, error);
    ElevationRaster& elevation = run.elevation;
    const int cells_x = elevation.frame.width, cells_y = elevation.frame.height;
    CellSize cell;
    if (!measure_cell_size(elevation.frame, options.cell_size, &cell, &error)) return refuse(&run, err, error);
    const double width = cells_x * cell.east, depth = cells_y * cell.south;
    if (!(width < LARGEST_COORDINATE / 10) || !(depth < LARGEST_COORDINATE / 10))
        return refuse(&run, err, "the raster covers more ground than a terrain can hold");
    // Every cell is read and averaged unless the raster is too large for
    // that to end in reasonable time; then only a grid asked for is sampled.
    const std::string size = format_thousands(cells_x) + " x " + format_thousands(cells_y);
    const bool sampling = (long long)cells_x * cells_y > MOST_CELLS_READ;
    if (sampling && options.grid_columns == 0)
        return refuse(&run, err, "'" + options.elevation_path + "' is " + size + " cells; an import reads at most " +
                                     format_thousands(MOST_CELLS_READ) +
                                     " cells whole: give --grid N to sample N vertices along its longer side");
    if (!options.map_path.empty() && !open_map_raster(options.map_path.c_str(), &run.map, &error))
        return refuse(&run, err, error);
    if ((long long)run.map.width * run.map.height > MOST_CELLS_READ)
        return refuse(&run, err, "map '" + options.map_path + "' is " + format_thousands(run.map.width) + " x " +
                                     format_thousands(run.map.height) + " pixels; an import reads at most " +
                                     format_thousands(MOST_CELLS_READ) + " (give a smaller copy of it)");

    // Sizes: the drape at about the raster's resolution; heights are read at
    // the drape's size or less, and the grid is averaged from those.
    const int drape_width = choose_texture_side(cells_x, SMALLEST_DRAPE_SIDE);
    const int drape_height = choose_texture_side(cells_y, SMALLEST_DRAPE_SIDE);
    int read_width = std::min(cells_x, drape_width), read_height = std::min(cells_y, drape_height);
    int columns = 0, rows = 0;
    bool limited = false;
    choose_grid(width, depth, std::min(read_width, LARGEST_GRID_SIDE), std::min(read_height, LARGEST_GRID_SIDE),
                options.grid_columns, options.grid_rows, &columns, &rows, &limited);
    if (sampling) {
        // One sample for each vertex; the drape is enlarged from them.
        read_width = columns;
        read_height = rows;
        const long long work = estimate_sampled_cells(elevation, columns, rows);
        if (work > MOST_CELLS_READ)
            return refuse(&run, err, "'" + options.elevation_path + "' is " + size + " cells: sampling it for a " +
                                         std::to_string(columns) + " x " + std::to_string(rows) + " grid decodes " +
                                         format_thousands(work) + " cells of its blocks, more than the " +
                                         format_thousands(MOST_CELLS_READ) + " an import reads; give a smaller --grid");
        std::fprintf(err, "kestrolane-import: '%s' is larger than an import reads whole: sampling %d x %d of its %s cells\n",
                     options.elevation_path.c_str(), columns, rows, size.c_str());
    }
    const int map_width = run.map.dataset ? choose_texture_side(run.map.width, SMALLEST_MAP_SIDE) : 0;
    const int map_height = run.map.dataset ? choose_texture_side(run.map.height, SMALLEST_MAP_SIDE) : 0;

    const std::string dem_path = world + "/DEM/" + name + ".dem";
    const std::string drape_path = world + "/Drape/" + name + ".raw";
    const std::string map_path = world + "/Map/" + name + ".raw";
    std::vector<std::string> paths = {dem_path, drape_path, world + "/Drape/" + name + ".info"};
    if (run.map.dataset) {
        paths.push_back(map_path);
        paths.push_back(world + "/Map/" + name + ".info");
    }
    const size_t location_file = paths.size();
    paths.push_back(terrain_location_path(world, name));
    std::string output;
    const std::string input = find_replaced_input(
        paths, list_dataset_files({elevation.dataset, run.map.dataset, run.map.original}), &output);
    if (!input.empty())
        return refuse(&run, err, "'" + input + "' is read by this import; writing " + output.substr(world.size() + 1) +
                                     " would replace it (give another --name or --world)");
    if (!ensure_folder(world + "/DEM", &error) || !ensure_folder(world + "/Drape", &error) ||
        (run.map.dataset && !ensure_folder(world + "/Map", &error)) ||
        !open_output_set(&run.outputs, paths, &error))
        return refuse(&run, err, error);

    // Reading: the raster averaged (or sampled) onto the read grid, then the holes filled.
    std::vector<float> heights;
    long long missing = 0;
    begin_progress(&run.bar, "Reading");
    if (!(sampling ? sample_elevation_grid : read_elevation_grid)(&elevation, read_width, read_height, &heights,
                                                                  &missing, &error, report_progress_callback,
                                                                  &run.bar))
        return refuse(&run, err, error);
    end_progress(&run.bar);
    if (!fill_missing_cells(heights.data(), read_width, read_height))
        return refuse(&run, err, "'" + options.elevation_path + "' holds no heights: every cell is no-data");
    const auto range = std::minmax_element(heights.begin(), heights.end());
    const double lowest = *range.first, highest = *range.second;

    // Resampling: the terrain grid by area, the drape's heights by interpolation.
    begin_progress(&run.bar, "Resampling");
    std::vector<float> grid((size_t)columns * rows);
    if (!resample_by_area(heights.data(), read_width, read_height, divide_around_vertices(read_width, columns),
                          divide_around_vertices(read_height, rows), grid.data(), nullptr, nullptr))
        return refuse(&run, err, "cannot average the heights onto the grid");
    report_progress(&run.bar, 0.3);
    // Measured down from the grid's highest vertex, the land lies below an eye
    // at height 0, where the viewer starts.
    const double base = options.keep_heights ? 0.0 : *std::max_element(grid.begin(), grid.end());
    for (float& h : grid) h = (float)((h - base) * options.exaggeration);
    const auto written = std::minmax_element(grid.begin(), grid.end());
    if (!(std::fabs(*written.first) < LARGEST_COORDINATE && std::fabs(*written.second) < LARGEST_COORDINATE))
        return refuse(&run, err, format_value("heights reach %g; a terrain file takes them below %g",
                                              std::max(std::fabs(*written.first), std::fabs(*written.second)),
                                              LARGEST_COORDINATE));
    std::vector<float> drape_heights((size_t)drape_width * drape_height);
    enlarge_bilinear(heights.data(), read_width, read_height, drape_heights.data(), drape_width, drape_height,
                     nullptr, nullptr);
    std::vector<float>().swap(heights);
    end_progress(&run.bar);

    begin_progress(&run.bar, "Shading");
    std::vector<uint8_t> drape;
    paint_drape(drape_heights.data(), drape_width, drape_height, width / drape_width, depth / drape_height,
                options.exaggeration, lowest, highest, &drape, report_progress_callback, &run.bar);
    std::vector<float>().swap(drape_heights);
    end_progress(&run.bar);

    std::vector<uint8_t> map_pixels;
    bool map_stretched = false;
    if (run.map.dataset) {
        begin_progress(&run.bar, "Map");
        if (!read_map_image(&run.map, elevation, map_width, map_height, &map_pixels, &map_stretched, &error,
                            report_progress_callback, &run.bar))
            return refuse(&run, err, error);
        end_progress(&run.bar);
    }

    begin_progress(&run.bar, "Writing");
    WholeFile* files = run.outputs.files;
    std::pair<const float*, int> grid_rows(grid.data(), columns);
    const TerrainGrid terrain{columns, rows, -width / 2.0, width / 2.0, -depth / 2.0, depth / 2.0, read_grid_row,
                              &grid_rows};
    if (!write_grid_terrain(&files[0], terrain, report_progress_callback, &run.bar))
        return refuse(&run, err, "cannot write '" + dem_path + "': a number is too large for a terrain file");
    append_whole_file(&files[1], drape.data(), drape.size());
    print_info_file(&files[2], drape_width, drape_height, 3);
    if (run.map.dataset) {
        append_whole_file(&files[3], map_pixels.data(), map_pixels.size());
        print_info_file(&files[4], map_width, map_height, run.map.components);
    }
    const TerrainLocation placed = locate_imported_terrain(elevation.frame, elevation.flip_columns,
                                                           elevation.flip_rows, columns, rows, width, depth, base,
                                                           options.exaggeration);
    if (!std::all_of(placed.affine, placed.affine + 6, [](double a) { return std::isfinite(a); }))
        return refuse(&run, err, "'" + options.elevation_path +
                                     "' lies so far out that its terrain's coordinates are not finite numbers");
    const std::string location = format_terrain_location(placed);
    append_whole_file(&files[location_file], location.data(), location.size());
    if (!finish_output_set(&run.outputs, &error)) return refuse(&run, err, error);
    end_progress(&run.bar);

    const std::string unit = elevation.unit.empty() ? "(unit not given)" : elevation.unit;
    std::string summary = "Imported '" + options.elevation_path + "' as " + name + ": a " + std::to_string(columns) +
                          " x " + std::to_string(rows) + " grid (" +
                          format_thousands(2LL * (columns - 1) * (rows - 1)) + " faces" +
                          (limited ? ", limited by the raster's resolution" : "") + ") over " +
                          format_length(width) + " x " + format_length(depth) + " from " + std::to_string(cells_x) +
                          " x " + std::to_string(cells_y) + " cells" +
                          (sampling ? " (sampled " + std::to_string(read_width) + " x " + std::to_string(read_height) + ")"
                                    : "") +
                          " of " +
                          format_value("%.4g x %.4g m", cell.east, cell.south) + " (" + cell.basis + "). ";
    std::string how;
    if (!options.keep_heights) how = "down from the highest point";
    if (options.exaggeration != 1.0)
        how += (how.empty() ? "" : ", ") + format_value("exaggerated %g times", options.exaggeration);
    summary += "Heights " + format_value("%.1f to %.1f ", lowest, highest) + unit + ", written from " +
               format_value("%.1f to %.1f", *written.first, *written.second) +
               (how.empty() ? "" : " (" + how + ")") + ". ";
    if (missing > 0)
        summary += (sampling ? "About " : "") + format_thousands(missing) + (missing == 1 ? " cell" : " cells") +
                   " without a height (" +
                   format_value("%.2g%%", 100.0 * missing / ((double)cells_x * cells_y)) + ") " +
                   (missing == 1 ? "was" : "were") + " filled from the ground around. ";
    else
        summary += "No cell lacked a height. ";
    summary += "Wrote DEM/" + name + ".dem, Drape/" + name + ".raw (" + std::to_string(drape_width) + " x " +
               std::to_string(drape_height) + " RGB) and Drape/" + name + ".info";
    if (run.map.dataset)
        summary += ", Map/" + name + ".raw (" + std::to_string(map_width) + " x " + std::to_string(map_height) +
                   (run.map.components == 3 ? " RGB, " : " grey, ") +
                   (map_stretched ? "stretched over the terrain" : "fitted by its coordinates") + ") and Map/" +
                   name + ".info";
    summary += " in " + world + ". In the viewer, choose File > DEM > " + name + ".dem, then File > Raster > " + name +
               ".raw.";
    std::fprintf(out, "%s\n", summary.c_str());
    CPLPopErrorHandler();
    close_map_raster(&run.map);
    close_elevation_raster(&run.elevation);
    return IMPORT_OK;
}

}  // namespace

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

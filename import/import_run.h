// The import command: options, checks, the steps from an elevation raster to world files, and the summary.
#pragma once

#include <cstdio>
#include <string>

constexpr int MOST_FACES_BY_DEFAULT = 500000;  // the default grid stays at or under this
constexpr int LARGEST_GRID_SIDE = 4096;        // vertices along a side; the file's lines stay short enough
constexpr int LONGEST_NAME = 95;               // the menus skip names over 99 characters, ".dem" included
constexpr long long MOST_CELLS_READ = 1LL << 30;  // cells read whole (32,768 x 32,768); beyond, only a --grid
                                                  // is sampled, and a map is refused
constexpr double DEFAULT_ABOVE = 150.0;        // metres between a track's flight and the ground
constexpr double DEFAULT_CHASE_PITCH = 30.0;   // degrees the fly-over's camera looks down at the rider
constexpr double RIDE_SHORTEST_DURATION = 10.0;    // seconds of a fly-over video, for --duration...
constexpr double RIDE_LONGEST_DURATION = 14400.0;  // ...up to four hours
// The terrain file writes x and z in millimetres: rounding moves a corner of a
// cell of this size or larger by at most 5 % of it (a smaller one can collapse).
constexpr double SMALLEST_CELL_SIZE = 0.01;     // metres, for --cell-size
constexpr double LARGEST_CELL_SIZE = 1e6;       // metres, for --cell-size

// Exit statuses of the tool.
enum { IMPORT_OK = 0, IMPORT_FAILED = 1, IMPORT_USAGE = 2 };

struct ImportOptions {
    std::string elevation_path;  // the raster to import
    std::string world;           // world directory; "" for the one beside the tool
    std::string name;            // terrain name; "" to take it from the raster's file name
    std::string map_path;        // image for Map/, "" for none
    int grid_columns;            // vertices across; 0 for the default grid
    int grid_rows;               // vertices down; 0 with grid_columns set: grid_columns is the longer side
    double exaggeration;         // heights are multiplied by it; > 0
    double cell_size;            // metres per cell; 0 to take it from the raster
    bool keep_heights;           // write heights as stored instead of down from the highest point
    bool help;                   // print the usage and do nothing else
    std::string track_path;      // a track to lay on a terrain instead of importing a raster; "" for none
    std::string onto;            // with a track: the terrain's name in the DEM menu
    std::string layer;           // with a track: its layer; "" for the one holding lines
    double above;                // with a track: the eye over the ground, metres; > 0
    double speed;                // with a track: metres a frame; 0 for the default
    double duration;             // with a track: seconds of the fly-over video; 0 for one that suits its length
    bool eye_view;               // with a track: the video is seen from the rider's eye, not from behind
    double chase_distance;       // with a track: metres from the chase camera to the rider; 0 for the default
    double chase_pitch;          // with a track: degrees the chase camera looks down at the rider
    bool track_timing;           // with a track: the video keeps the track's own pace where it has times
};

// Reads the command line (argv[0] is the program). False with a one-line
// message for an unknown option, a missing or malformed value, a grid under
// 2 x 2, not exactly one raster (none with --track, which needs --onto), or
// an option of one command given to the other.
bool parse_import_options(int argc, char** argv, ImportOptions* options, std::string* error);

// Prints the --help text.
void print_import_usage(std::FILE* out);

// A terrain name from a raster path: the file name up to its first '.', with
// anything but letters, digits, '-' and '_' turned into '_'; "terrain" if
// nothing is left.
std::string name_from_path(const std::string& path);

// "" when `name` can name the terrain's files; otherwise why not (it would
// leave the world's folders, hide its files, break the pairing of an image
// with its info file, which is named up to the first '.', or hold the
// separator of track drapes).
std::string check_terrain_name(const std::string& name);

// A track's drape is Drape/TERRAIN+TRACK.raw: a terrain name never holds the
// separator and a track name never does either (name_from_path and
// check_terrain_name see to it), so it names no terrain's own drape and no
// other pair's.
constexpr char TRACK_DRAPE_SEPARATOR = '+';

// The grid for a raster of cells_x x cells_y cells covering width x depth
// metres. Requested 0 x 0: the most vertices keeping cells near square in
// metres and faces at most MOST_FACES_BY_DEFAULT; requested columns only: that
// many along the longer side; both: as given. Never more vertices along a side
// than `most_x` / `most_y`, nor fewer than 2. *limited tells whether a request
// was cut down.
void choose_grid(double width, double depth, int most_x, int most_y, int requested_columns, int requested_rows,
                 int* columns, int* rows, bool* limited);

// The folder this program was started from.
std::string folder_of_program();

// True when `path` is a folder.
bool is_directory(const std::string& path);

// Makes a world's folder (DEM/, Drape/, ...) if it is missing. False with a
// message when it cannot be made or is in the way as a file.
bool ensure_folder(const std::string& path, std::string* error);

// Removes from the world's folders the temporary files of saves whose
// process is gone (an import or a viewer ended by kill -9).
void sweep_world_temporaries(const std::string& world);

// "850 m" under 10 km, "12.3 km" from there.
std::string format_length(double metres);

// "1,234,567".
std::string format_thousands(long long n);

// Runs the whole import, progress on `err` (as bars), the summary on `out`,
// a one-line message on `err` for a refusal. Returns the exit status.
int run_import(const ImportOptions& options, std::FILE* out, std::FILE* err);

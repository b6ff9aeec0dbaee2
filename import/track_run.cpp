// The --track command: a GPS track laid on an imported terrain becomes a flight, a marked layer and a drape line.
#include "import/track_run.h"

#include <cpl_error.h>
#include <gdal.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <unistd.h>

#include "files/flythrough_text.h"
#include "files/geometry_text.h"
#include "files/texture_file.h"
#include "flythrough/flythrough_file.h"
#include "files/ride_text.h"
#include "import/output_set.h"
#include "import/ride_plan.h"
#include "import/terrain_ground.h"
#include "import/terrain_location.h"
#include "import/track_flight.h"
#include "import/track_line.h"
#include "import/track_marks.h"
#include "state/camera_state.h"
#include "state/flythrough_state.h"
#include "state/geometry_state.h"

namespace {

constexpr double DEFAULT_FRAME_PER_ABOVE = 1.0 / 150.0;  // metres a frame per metre of height: 1 m at 150 m
constexpr double SLOWER_ROOM = 1.02;  // a slower flight is planned for this share more frames than the first took
constexpr int SPEED_RETRIES = 8;      // raising the speed this often to fit a flight whose steering ran long
constexpr int FEWEST_CHOSEN_FRAMES = 30;  // a chosen speed must give a flight of at least this many frames (a second)
constexpr int WRITER_ERROR_SIZE = 512;

int refuse(std::FILE* err, const std::string& message) {
    CPLPopErrorHandler();
    std::fprintf(err, "kestrolane-import: %s\n", message.c_str());
    return IMPORT_FAILED;
}

std::string format_number(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A word for the shell: as it is when it is plain, else in single quotes.
std::string shell_word(const std::string& word) {
    bool plain = !word.empty();
    for (char c : word)
        if (!std::isalnum((unsigned char)c) && !std::strchr("/._-+=:,", c)) plain = false;
    if (plain) return word;
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Writes the flight and the layer (from the viewer's state, in the viewer's
// formats), the drape and its info file and the fly-over as one set, making
// their folders if need be: no file takes its name before all five are
// complete, so that a failure leaves the world as it was.
bool write_track_files(const std::string& world, const std::string& flight_file, const std::string& layer_file,
                       const std::string& drape_file, const std::string& info_file, const std::string& ride_file,
                       const std::vector<uint8_t>& drape, int width, int height, const Ride& ride,
                       std::string* error) {
    const std::vector<std::string> paths = {world + "/" + flight_file, world + "/" + layer_file,
                                            world + "/" + drape_file, world + "/" + info_file,
                                            world + "/" + ride_file};
    std::string folders[3];
    bool made[3] = {};  // folders this run made, removed again on failure
    auto undo = [&]() {
        for (int j = 0; j < 3; ++j)
            if (made[j]) rmdir(folders[j].c_str());
        return false;
    };
    for (int i = 0; i < 3; ++i) {
        folders[i] = paths[i].substr(0, paths[i].rfind('/'));
        made[i] = !is_directory(folders[i]);
        if (!ensure_folder(folders[i], error)) return undo();
    }
    OutputSet set;
    if (!open_output_set(&set, paths, error)) return undo();
    try {
        print_flythrough_text(&set.files[0], flythrough_state_arrays(), flythrough_frame);
        print_geometry_text(&set.files[1], geometry_items, geometry_item_count);
        append_whole_file(&set.files[2], drape.data(), drape.size());
        print_info_file(&set.files[3], width, height, 3);
        print_ride_text(&set.files[4], ride);
    } catch (const std::bad_alloc&) {
        discard_output_set(&set);
        undo();
        throw;
    }
    if (!finish_output_set(&set, error)) return undo();
    return true;
}

// "" when no file the run writes is one it reads (the track, which may lie
// anywhere, even in the world's Flythrough/ or Vector/ folder); else the refusal.
std::string check_track_outputs_apart(const std::string& world, const std::string& terrain,
                                      const std::string& track_name, const std::string& drape_name,
                                      const TrackLine& track) {
    std::vector<std::string> inputs = track.files;
    inputs.insert(inputs.end(), {world + "/DEM/" + terrain + ".dem", terrain_location_path(world, terrain),
                                 world + "/Drape/" + terrain + ".raw", world + "/Drape/" + terrain + ".info"});
    const std::vector<std::string> outputs = {
        world + "/Flythrough/" + track_name + ".flt", world + "/Vector/" + track_name + ".vec",
        world + "/Drape/" + drape_name + ".raw", world + "/Drape/" + drape_name + ".info",
        world + "/Flythrough/" + track_name + RIDE_SUFFIX};
    std::string output;
    const std::string input = find_replaced_input(outputs, inputs, &output);
    if (input.empty()) return "";
    return "will not write " + output.substr(world.size() + 1) + ": it is '" + input +
           "', which this run reads; name another output with --name";
}

// Reads the terrain's drape as RGB (a grey one is widened).
bool read_drape(const std::string& world, const std::string& name, std::vector<uint8_t>* rgb, int* width, int* height,
                std::string* error) {
    const std::string image = world + "/Drape/" + name + ".raw", info = world + "/Drape/" + name + ".info";
    char message[WRITER_ERROR_SIZE];
    int components = 0;
    unsigned char* pixels = nullptr;
    if (!read_info_file(info.c_str(), width, height, &components, message, sizeof message) ||
        !read_raw_image(image.c_str(), *width, *height, components, &pixels, message, sizeof message)) {
        *error = std::string(message) + " (the drape of " + name + "; import its raster again)";
        return false;
    }
    const size_t count = (size_t)*width * *height;
    rgb->resize(count * 3);
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c) (*rgb)[3 * i + c] = pixels[components == 3 ? 3 * i + c : components * i];
    std::free(pixels);
    return true;
}

// "; 1 point and 2 waypoints that could not be placed were dropped", or "" when none was.
std::string describe_dropped(const TrackLine& track) {
    std::string what;
    if (track.dropped_points > 0)
        what = format_thousands(track.dropped_points) + (track.dropped_points == 1 ? " point" : " points");
    if (track.dropped_waypoints > 0)
        what += (what.empty() ? "" : " and ") + format_thousands(track.dropped_waypoints) +
                (track.dropped_waypoints == 1 ? " waypoint" : " waypoints");
    if (what.empty()) return "";
    const bool one = track.dropped_points + track.dropped_waypoints == 1;
    return "; " + what + " that could not be placed " + (one ? "was" : "were") + " dropped";
}

}  // namespace

std::string terrain_name_from_onto(const std::string& onto) {
    std::string name = onto;
    if (name.rfind("DEM/", 0) == 0) name = name.substr(4);
    const size_t suffix = name.size() >= 4 ? name.size() - 4 : std::string::npos;
    if (suffix != std::string::npos && name.compare(suffix, 4, ".dem") == 0) name.resize(suffix);
    return name;
}

namespace {

// What one run works on, filled step by step.
struct TrackRun {
    std::string terrain, track_name, drape_name, world;
    TerrainLocation location;
    TrackLine track;
    FlightPath path;
    TerrainGround ground;
    std::vector<uint8_t> drape;
    int drape_width = 0, drape_height = 0;
    bool chosen_speed = false;  // --speed was given
    int steps = 0;              // the flight's speed in playback steps
    int wanted_steps = 0;       // the speed asked for, or the one that suits the height
    FlightReport flight{};
    TrackMarks marks{};
    Ride ride;
    bool timed = false;  // the fly-over keeps the track's pace
    std::string flight_file, layer_file, drape_file, info_file, ride_file;  // in the world
};

// The names and the world; "" or the refusal.
std::string name_track_run(const ImportOptions& options, TrackRun* run) {
    run->terrain = terrain_name_from_onto(options.onto);
    run->track_name = options.name.empty() ? name_from_path(options.track_path) : options.name;
    run->drape_name = run->terrain + TRACK_DRAPE_SEPARATOR + run->track_name;
    std::string bad = check_terrain_name(run->terrain);
    if (bad.empty()) bad = check_terrain_name(run->track_name);
    if (bad.empty()) bad = check_terrain_name(run->terrain + "_" + run->track_name);  // the pair's length
    if (!bad.empty()) return bad;
    run->world = options.world.empty() ? folder_of_program() + "/world" : options.world;
    if (!is_directory(run->world)) return "world '" + run->world + "' is not a folder (give one with --world)";
    // GDAL would read a folder as a folder of KML or shapefiles, whatever it holds.
    if (is_directory(options.track_path))
        return "track '" + options.track_path +
               "' is a folder; give the track's file (GPX, KML, GeoJSON, GeoPackage, shapefile...)";
    run->flight_file = "Flythrough/" + run->track_name + ".flt";
    run->layer_file = "Vector/" + run->track_name + ".vec";
    run->drape_file = "Drape/" + run->drape_name + ".raw";
    run->info_file = "Drape/" + run->drape_name + ".info";
    run->ride_file = "Flythrough/" + run->track_name + RIDE_SUFFIX;
    return "";
}

// Where the terrain lies, the track on it, the ground under it and its drape.
std::string read_track_inputs(const ImportOptions& options, TrackRun* run) {
    std::string error;
    if (!read_terrain_location(terrain_location_path(run->world, run->terrain), &run->location, &error)) return error;
    if (!read_track_line(options.track_path, options.layer, run->location, &run->track, &error)) return error;
    if (!build_flight_path(run->track, run->location.width, run->location.depth, &run->path))
        return "track '" + options.track_path + "' lies outside terrain " + run->terrain + " (" +
               format_length(run->location.width) + " x " + format_length(run->location.depth) + "): none of its " +
               format_thousands(run->track.point_count) + " points is on it";
    if (!read_terrain_ground(run->world + "/DEM/" + run->terrain + ".dem", run->location, &run->ground, &error))
        return error;
    if (!read_drape(run->world, run->terrain, &run->drape, &run->drape_width, &run->drape_height, &error))
        return error;
    return check_track_outputs_apart(run->world, run->terrain, run->track_name, run->drape_name, run->track);
}

// The flight: at the speed asked for, or by default at one that suits the
// height, raised when a long track would not fit a flight.
std::string plan_track_flight(const ImportOptions& options, TrackRun* run) {
    const double length = run->path.s.back();
    const int least = least_speed_steps(length);
    run->chosen_speed = options.speed > 0.0;
    int steps = run->chosen_speed
                    ? (int)std::lround(options.speed / ADVANCE_SCALE)
                    : std::max(1, (int)std::lround(options.above * DEFAULT_FRAME_PER_ABOVE / ADVANCE_SCALE));
    // A frame as long as a good part of the track overshoots its end, and off the terrain.
    if (run->chosen_speed && options.speed * FEWEST_CHOSEN_FRAMES > length)
        return "at --speed " + format_number("%g", options.speed) + " the flight over " + format_length(length) +
               " would last fewer than " + std::to_string(FEWEST_CHOSEN_FRAMES) + " frames; give --speed " +
               format_number("%.1f", std::max(0.1, std::floor(10.0 * length / FEWEST_CHOSEN_FRAMES) / 10.0)) +
               " or less, or leave it out";
    run->wanted_steps = steps;
    if (!run->chosen_speed) steps = std::max(steps, least);
    const double cell = ground_cell_size(run->ground);
    FlightReport& flight = run->flight;
    bool planned = plan_flight(run->path, run->ground, FlightSettings{options.above, steps, cell}, &flight);
    for (int retry = 0; !planned && !run->chosen_speed && retry < SPEED_RETRIES; ++retry) {
        steps += std::max(1, steps / 10);
        planned = plan_flight(run->path, run->ground, FlightSettings{options.above, steps, cell}, &flight);
    }
    // The least speed came from the track's length, which GPS scatter adds
    // to: fly as slowly as the flight found fits.
    if (planned && !run->chosen_speed && steps > run->wanted_steps) {
        const int slower =
            std::max(run->wanted_steps, (int)std::ceil(steps * flight.samples * SLOWER_ROOM / FLYTHROUGH_CAPACITY));
        FlightReport slow{};
        if (slower < steps && plan_flight(run->path, run->ground, FlightSettings{options.above, slower, cell}, &slow)) {
            steps = slower;
            flight = slow;
        } else if (slower < steps) {
            plan_flight(run->path, run->ground, FlightSettings{options.above, steps, cell}, &flight);
        }
    }
    run->steps = steps;
    if (!planned)
        return "at --speed " + format_number("%g", options.speed) + " the flight over " + format_length(length) +
               " needs more than the " + std::to_string(FLYTHROUGH_CAPACITY) +
               " frames a flight holds; give --speed " +
               format_number("%.1f", std::max(least, steps + std::max(1, steps / 10)) * ADVANCE_SCALE) +
               " or more, or leave it out";
    return "";
}

// The fly-over in a sentence: its length, view and pace, and how well a viewer can follow it.
std::string describe_ride(const ImportOptions& options, const TrackRun& run) {
    const Ride& ride = run.ride;
    const RideMeasures m = measure_ride(ride, 16.0 / 9.0);
    const double seconds = ride.frames.size() / (double)ride.fps;
    std::string text = "The fly-over (" + run.ride_file + "): " + format_number("%.0f", seconds) + " s of video, ";
    if (ride.chase) {
        const RideFrame& f = ride.frames.front();
        double rider[3];
        size_t at = 0;
        locate_on_ride_route(ride, f.along, &at, rider);
        text += "the camera following the rider from " +
                format_length(std::sqrt((f.eye[0] - rider[0]) * (f.eye[0] - rider[0]) +
                                        (f.eye[1] - rider[1]) * (f.eye[1] - rider[1]) +
                                        (f.eye[2] - rider[2]) * (f.eye[2] - rider[2]))) +
                " behind, looking down at " + format_number("%g", options.chase_pitch) + " degrees";
    } else {
        text += "seen from the rider's eye " + format_number("%g", options.above) + " m over the ground";
    }
    text += run.timed ? ", at the track's own pace (stops shortened)"
                      : options.track_timing ? ", at an even pace (the track has no times)" : ", at an even pace";
    text += "; it turns at most " + format_number("%.1f", m.most_turn) + " degrees a frame and shows the route " +
            "5 seconds ahead in " + format_number("%.0f", 100.0 * m.ahead_in_picture) + " % of the frames.";
    return text;
}

// What was laid where, how closely the flight follows it, and what was written.
std::string summarise_track_run(const ImportOptions& options, const TrackRun& run) {
    const double cell = ground_cell_size(run.ground);
    const FlightPath& path = run.path;
    const FlightReport& flight = run.flight;
    const TrackMarks& marks = run.marks;
    std::string summary = "Laid '" + options.track_path + "' (" + format_thousands(run.track.point_count) +
                          " points of layer " + run.track.layer + ", " + run.track.placement +
                          describe_dropped(run.track) + ") on " + run.terrain + ": " +
                          format_length(measure_on_track(path, true)) + " of track on the terrain";
    int crossings = 0;
    const double crossed = measure_on_track(path, false, &crossings);
    if (path.exits > 0)
        summary += "; the track leaves the terrain " +
                   std::string(path.exits == 1 ? "once" : std::to_string(path.exits) + " times") + " (" +
                   format_length(path.outside_length) + " beyond its edges)";
    if (crossings > 0)
        summary += std::string(path.exits > 0 ? " and" : ";") + " the flight crosses straight " +
                   (crossings == 1 ? "once" : std::to_string(crossings) + " times") + " (" + format_length(crossed) +
                   ") where the track is off the terrain or broken between parts";
    summary += ". The flight: " + format_thousands(flight.samples) + " frames (" + format_length(flight.flown_length) +
               ") at " + format_number("%.1f", run.steps * ADVANCE_SCALE) + " m a frame";
    if (!run.chosen_speed && run.steps > run.wanted_steps)
        summary += " (the track is long: raised from " + format_number("%.1f", run.wanted_steps * ADVANCE_SCALE) +
                   " m so that it fits the " + format_thousands(FLYTHROUGH_CAPACITY) + " frames a flight holds)";
    summary += ", " + format_number("%g", options.above) + " m over the ground (at least " +
               format_number("%.0f", flight.lowest_clearance) + " m); the eye's ground point stays within " +
               format_number("%.1f", flight.max_distance) + " m of the track" +
               (crossings > 0 ? " where it flies over it" : "") + " (" +
               format_number("%.2f", flight.max_distance / cell) + " grid cells of " + format_number("%.3g", cell) +
               " m).";
    summary += " Wrote " + run.flight_file + ", " + run.layer_file + " (" + std::to_string(marks.cones) +
               " cones every " + format_length(marks.spacing) + ", " + std::to_string(marks.billboards) +
               (marks.at_ends           ? " flags at the start and end"
                : marks.billboards == 1 ? " signpost at a waypoint"
                                        : " signposts at waypoints") +
               ") and " + run.drape_file + " with " + run.info_file + " in " + run.world + ".";
    if (marks.left_out > 0)
        summary += " " + std::to_string(marks.left_out) + " marks did not fit the layer's " +
                   std::to_string(MAX_GEOMETRY_ITEMS) + " items.";
    summary += "\n" + describe_ride(options, run);
    return summary;
}

int lay_track(const ImportOptions& options, std::FILE* out, std::FILE* err) {
    GDALAllRegister();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    TrackRun run;
    std::string refusal = name_track_run(options, &run);
    if (refusal.empty()) {
        sweep_world_temporaries(run.world);
        refusal = read_track_inputs(options, &run);
    }
    if (refusal.empty()) refusal = plan_track_flight(options, &run);
    if (!refusal.empty()) return refuse(err, refusal);
    run.marks = place_track_marks(run.path, run.track.waypoints, run.ground);
    paint_track_line(&run.drape, run.drape_width, run.drape_height, run.track, run.location.width,
                     run.location.depth);
    const double duration = options.duration > 0.0 ? options.duration : choose_ride_duration(run.path.s.back());
    run.ride = plan_ride(run.path, run.track.waypoints, run.ground, run.location,
                         RideSettings{duration, !options.eye_view, options.chase_distance, options.chase_pitch,
                                      options.above, options.track_timing},
                         &run.timed);
    if (!write_track_files(run.world, run.flight_file, run.layer_file, run.drape_file, run.info_file, run.ride_file,
                           run.drape, run.drape_width, run.drape_height, run.ride, &refusal))
        return refuse(err, refusal);
    CPLPopErrorHandler();
    std::fprintf(out,
                 "%s\nRender the fly-over with:\n  cd %s && %s --render-flight %s %s.mp4 --terrain %s.dem "
                 "--drape %s.raw --vector %s.vec --sky\n",
                 summarise_track_run(options, run).c_str(), shell_word(run.world).c_str(),
                 shell_word(folder_of_program() + "/kestrolane").c_str(), shell_word(run.ride_file).c_str(),
                 shell_word(run.track_name).c_str(), shell_word(run.terrain).c_str(),
                 shell_word(run.drape_name).c_str(), shell_word(run.track_name).c_str());
    return IMPORT_OK;
}

}  // namespace

int run_track(const ImportOptions& options, std::FILE* out, std::FILE* err) {
    try {
        return lay_track(options, out, err);
    } catch (const std::bad_alloc&) {
        // The step that ran out has freed what it held, and no file of the set remains.
        std::fprintf(err, "kestrolane-import: not enough memory to lay track '%s'\n", options.track_path.c_str());
        return IMPORT_FAILED;
    }
}

// Laying a track: a 20 km GPX track of 5,000 points with switchbacks and GPS noise over a 2-million-face terrain.
#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "benchmarks/bench_raster.h"

namespace {

constexpr int RASTER_SIDE = 4000;  // cells of 6 m: 24 km square, the largest drape (4096 x 4096)
constexpr double CELL = 6.0;
constexpr double WEST = 600000.0, NORTH = 5200000.0;  // UTM zone 32N
constexpr int TRACK_POINTS = 5000;
constexpr double POINT_SPACING = 4.0;     // metres: 20 km in all
constexpr int LONG_TRACK_POINTS = 100000;  // the same walk logged five times a second: 100,000 fixes
constexpr double LONG_SPACING = 0.2;
const char* const RASTER_PATH = "/tmp/kestrolane-track-bench-4000.tif";

// The benchmark raster's heights: hills and valleys.
double hills(int x, int y) {
    return 1400.0 + 700.0 * std::sin(x * 0.0021) * std::cos(y * 0.0017) + 180.0 * std::sin(x * 0.011 + y * 0.007) +
           30.0 * std::sin(x * 0.05 - y * 0.04);
}

// The track in metres east and north of the raster's middle: long winding
// stretches, a climb of tight switchbacks every few kilometres, and a few
// metres of GPS scatter on every fix.
std::vector<std::pair<double, double>> make_track(int count, double spacing) {
    std::vector<std::pair<double, double>> points;
    const double stretch = POINT_SPACING / spacing;  // the 5,000-point track's bends, drawn out over more fixes
    double east = -9000.0, north = -8000.0, heading = 0.6;  // radians from north, clockwise
    unsigned noise = 12345;
    auto scatter = [&noise]() {
        noise = noise * 1103515245u + 12345u;
        return ((noise >> 16) % 2001) / 1000.0 - 1.0;  // -1..1
    };
    for (int k = 0; k < count; ++k) {
        const int i = (int)(k / stretch);
        const int in_climb = i % 1200;  // the last 300 fixes of every 1200 climb in switchbacks
        double turn = 0.012 * std::sin(i / 70.0) + 0.008 * std::sin(i / 23.0);
        if (in_climb >= 900) {
            const int leg = (in_climb - 900) % 40;  // 30 fixes up a leg, then a hairpin of 10
            turn = leg >= 30 ? ((in_climb - 900) / 40 % 2 ? -M_PI / 10 : M_PI / 10) : 0.0;
        }
        heading += turn / stretch;
        east += spacing * std::sin(heading);
        north += spacing * std::cos(heading);
        points.push_back({east + 3.0 * scatter() / stretch, north + 3.0 * scatter() / stretch});
    }
    return points;
}

// The track as GPX, in longitude and latitude.
bool write_track(const std::string& path, int count, double spacing) {
    OGRSpatialReferenceH utm = OSRNewSpatialReference(nullptr), wgs84 = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(utm, 32632);
    OSRImportFromEPSG(wgs84, 4326);
    OSRSetAxisMappingStrategy(utm, OAMS_TRADITIONAL_GIS_ORDER);
    OSRSetAxisMappingStrategy(wgs84, OAMS_TRADITIONAL_GIS_ORDER);
    OGRCoordinateTransformationH t = OCTNewCoordinateTransformation(utm, wgs84);
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f || !t) return false;
    std::fprintf(f,
                 "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"track_benchmark\" "
                 "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><name>Ridge walk</name><trkseg>\n");
    const double middle_east = WEST + RASTER_SIDE * CELL / 2, middle_north = NORTH - RASTER_SIDE * CELL / 2;
    for (const auto& p : make_track(count, spacing)) {
        double x = middle_east + p.first, y = middle_north + p.second;
        OCTTransform(t, 1, &x, &y, nullptr);
        std::fprintf(f, "<trkpt lat=\"%.8f\" lon=\"%.8f\"/>\n", y, x);
    }
    std::fprintf(f, "</trkseg></trk>\n</gpx>\n");
    OCTDestroyCoordinateTransformation(t);
    OSRDestroySpatialReference(utm);
    OSRDestroySpatialReference(wgs84);
    return std::fclose(f) == 0;
}

std::string folder_of_program() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string text = path;
    return text.substr(0, text.rfind('/'));
}

// Runs a command; its wall-clock and processor seconds (children's time, every thread).
bool time_command(const std::string& command, double* wall, double* processor) {
    struct rusage before, after;
    getrusage(RUSAGE_CHILDREN, &before);
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const auto stop = std::chrono::steady_clock::now();
    getrusage(RUSAGE_CHILDREN, &after);
    *wall = std::chrono::duration<double>(stop - start).count();
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    *processor =
        seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime);
    return status == 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Arguments: runs (5), the folder to write the scratch world in (/tmp),
    // and "keep" to leave the world there (to render its fly-overs).
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string scratch = argc > 2 ? argv[2] : "/tmp";
    const bool keep = argc > 3 && std::string(argv[3]) == "keep";
    if (!ensure_utm_raster(RASTER_PATH, RASTER_SIDE, WEST, NORTH, CELL, hills)) {
        std::fprintf(stderr, "cannot write %s\n", RASTER_PATH);
        return 1;
    }
    std::string pattern = scratch + "/kestrolane-track-bench-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        std::fprintf(stderr, "cannot make a folder in %s\n", scratch.c_str());
        return 1;
    }
    const std::string world = pattern, tool = folder_of_program() + "/kestrolane-import";
    double wall = 0.0, processor = 0.0;
    if (!time_command(tool + " --world " + world + " --name Bench --grid 1001 " + RASTER_PATH + " > /dev/null 2>&1",
                      &wall, &processor) ||
        !write_track(world + "/walk.gpx", TRACK_POINTS, POINT_SPACING) ||
        !write_track(world + "/tour.gpx", LONG_TRACK_POINTS, LONG_SPACING)) {
        std::fprintf(stderr, "cannot import the terrain or write the track\n");
        return 1;
    }
    std::printf("terrain: 1001 x 1001 grid (2,000,000 faces) over 24 km, drape 4096 x 4096, imported in %.1f s\n",
                wall);
    for (const char* name : {"walk", "tour"}) {
        const int points = name[0] == 'w' ? TRACK_POINTS : LONG_TRACK_POINTS;
        const std::string lay = tool + " --world " + world + " --track " + world + "/" + name + ".gpx --onto Bench > " +
                                world + "/summary.txt 2>&1";
        double best = 1e30, total = 0.0, processor_total = 0.0;
        for (int i = 0; i < runs; ++i) {
            if (!time_command(lay, &wall, &processor)) {
                std::fprintf(stderr, "laying the track failed: see %s/summary.txt\n", world.c_str());
                return 1;
            }
            best = std::min(best, wall);
            total += wall;
            processor_total += processor;
        }
        std::printf("track of %d points over %.0f km, laid %d times: best %.2f s, mean %.2f s (processor %.2f s a run)\n",
                    points, TRACK_POINTS * POINT_SPACING / 1000.0, runs, best, total / runs, processor_total / runs);
        std::fflush(stdout);
        std::system(("cat " + world + "/summary.txt").c_str());
    }
    if (keep) {
        std::printf("kept the world in %s\n", world.c_str());
        return 0;
    }
    return std::system(("rm -rf '" + world + "'").c_str()) == 0 ? 0 : 1;
}

// Import speed: a 4000 x 4000 Float32 GeoTIFF to the default grid and to a 1000 x 1000 grid.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>


#include "benchmarks/bench_raster.h"
#include "import/import_run.h"

namespace {

constexpr int RASTER_SIDE = 4000;
const char* const RASTER_PATH = "/tmp/kestrolane-import-bench-4000.tif";

// The benchmark raster's heights: ridges and valleys over 120 km in UTM
// metres, 30 m cells.
double mountains(int x, int y) {
    return 1200.0 + 600.0 * std::sin(x * 0.0031) * std::cos(y * 0.0027) + 220.0 * std::sin(x * 0.017 + y * 0.011) +
           40.0 * std::sin(x * 0.09 - y * 0.07);
}

// Wall-clock and processor seconds of one import (processor time adds up every thread).
struct Timing {
    double wall, processor;
};

Timing time_import(const std::string& world, const char* grid) {
    std::vector<std::string> words = {"kestrolane-import", "--world", world, "--name", "Bench", RASTER_PATH};
    if (grid) {
        words.push_back("--grid");
        words.push_back(grid);
    }
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    ImportOptions options;
    std::string error;
    if (!parse_import_options((int)argv.size(), argv.data(), &options, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    std::FILE* quiet = std::fopen("/dev/null", "w");
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t processor_start = std::clock();
    const int status = run_import(options, stdout, quiet);
    const std::clock_t processor_stop = std::clock();
    const auto stop = std::chrono::steady_clock::now();
    std::fclose(quiet);
    if (status != 0) {
        std::fprintf(stderr, "import failed\n");
        std::exit(1);
    }
    return {std::chrono::duration<double>(stop - start).count(),
            (double)(processor_stop - processor_start) / CLOCKS_PER_SEC};
}

long file_size(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (long)info.st_size : -1;
}

}  // namespace

int main(int argc, char** argv) {
    // Arguments: runs per case (3), and the folder to write the scratch world in (/tmp).
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string scratch = argc > 2 ? argv[2] : "/tmp";
    if (!ensure_utm_raster(RASTER_PATH, RASTER_SIDE, 400000.0, 5200000.0, 30.0, mountains)) {
        std::fprintf(stderr, "cannot write %s\n", RASTER_PATH);
        return 1;
    }
    std::string pattern = scratch + "/kestrolane-import-bench-XXXXXX";
    char* world = mkdtemp(&pattern[0]);
    if (!world) {
        std::fprintf(stderr, "cannot make a folder in %s\n", scratch.c_str());
        return 1;
    }
    struct Case {
        const char* label;
        const char* grid;
    } cases[] = {{"default grid", nullptr}, {"1000 x 1000 grid", "1000x1000"}};
    for (const Case& c : cases) {
        double best = 1e30, total = 0.0, processor = 0.0;
        for (int i = 0; i < runs; ++i) {
            const Timing t = time_import(world, c.grid);
            best = std::min(best, t.wall);
            total += t.wall;
            processor += t.processor;
        }
        std::printf("%s: best %.2f s, mean %.2f s over %d runs (processor %.2f s a run); DEM file %.1f MB\n",
                    c.label, best, total / runs, runs, processor / runs,
                    file_size(std::string(world) + "/DEM/Bench.dem") / 1e6);
    }
    std::string cleanup = "rm -rf '" + std::string(world) + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}

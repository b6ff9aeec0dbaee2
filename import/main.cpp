// kestrolane-import: turns an elevation raster into a terrain, a drape and a map of a world, or lays a track on one.
#include <cstdio>
#include <string>

#include "import/import_run.h"
#include "import/track_run.h"

int main(int argc, char** argv) {
    ImportOptions options;
    std::string error;
    if (!parse_import_options(argc, argv, &options, &error)) {
        std::fprintf(stderr, "kestrolane-import: %s\n", error.c_str());
        return IMPORT_USAGE;
    }
    if (options.help) {
        print_import_usage(stdout);
        return IMPORT_OK;
    }
    if (!options.track_path.empty()) return run_track(options, stdout, stderr);
    return run_import(options, stdout, stderr);
}

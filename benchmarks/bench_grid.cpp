// The generated rolling-hills grids the benchmarks load.
#include "benchmarks/bench_grid.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/stat.h>

const std::string& ensure_bench_file(int cells) {
    static std::map<int, std::string> paths;
    std::string& path = paths[cells];
    if (!path.empty()) return path;
    path = "/tmp/kestrolane-bench-" + std::to_string(2 * cells * cells) + "-ccw.obj";
    struct stat info;
    if (stat(path.c_str(), &info) == 0) return path;
    std::string tmp = path + ".part";
    FILE* out = fopen(tmp.c_str(), "w");
    if (!out) {
        fprintf(stderr, "cannot write %s\n", tmp.c_str());
        exit(1);
    }
    int n = cells + 1;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            float x = (c - n / 2) * BENCH_GRID_SPACING, z = -(float)r * BENCH_GRID_SPACING;
            float y = 120.0f * std::sin(c * 0.031f) * std::cos(r * 0.027f) + 35.0f * std::sin(c * 0.17f + r * 0.11f);
            fprintf(out, "v %.3f %.3f %.3f\n", x, y, z);
        }
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) fprintf(out, "vt %.6f %.6f\n", (double)c / cells, (double)r / cells);
    for (int r = 0; r < cells; ++r)
        for (int c = 0; c < cells; ++c) {
            int a = r * n + c + 1, b = a + n, d = a + 1, e = b + 1;
            // Rows run towards -z, so a, d, b turns anticlockwise seen from
            // above: the faces point up, as a real terrain's do.
            fprintf(out, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, d, d, d, b, b, b);
            fprintf(out, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", d, d, d, e, e, e, b, b, b);
        }
    fclose(out);
    rename(tmp.c_str(), path.c_str());
    return path;
}

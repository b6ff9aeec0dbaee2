// The generated rolling-hills grids the benchmarks load.
#include "benchmarks/bench_grid.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sys/stat.h>

namespace {

long greatest_divisor(long a, long b) { return b == 0 ? a : greatest_divisor(b, a % b); }

const std::string& write_grid(int cells, bool shuffled) {
    static std::map<std::pair<int, bool>, std::string> paths;
    std::string& path = paths[{cells, shuffled}];
    if (!path.empty()) return path;
    path = "/tmp/kestrolane-bench-" + std::to_string(2 * cells * cells) + (shuffled ? "-shuffled" : "") + "-ccw.obj";
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
    long pairs = (long)cells * cells, step = 1;
    if (shuffled) {
        step = 1000003;
        while (greatest_divisor(step, pairs) != 1) step += 2;
    }
    for (long i = 0; i < pairs; ++i) {
        long pair = step * i % pairs;
        int r = (int)(pair / cells), c = (int)(pair % cells);
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

}  // namespace

const std::string& ensure_bench_file(int cells) { return write_grid(cells, false); }

const std::string& ensure_shuffled_bench_file(int cells) { return write_grid(cells, true); }

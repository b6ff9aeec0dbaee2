// Saving the terrain dump: our writer against the dump as it was first
// written (fprintf line by line through a 1 MB stdio buffer), on the same
// generated grids loaded as the viewer loads them.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "benchmarks/bench_grid.h"
#include "files/terrain_file.h"
#include "state/world_state.h"
#include "terrain/terrain_dump.h"
#include "terrain/terrain_mesh.h"

namespace {

// Cells per side for about 32 thousand, 500 thousand and 2 million faces.
const int GRID_CELLS[] = {128, 500, 1000};

std::string scratch_folder() {
    static std::string folder;
    if (folder.empty()) {
        char pattern[] = "/tmp/kestrolane-dump-bench-XXXXXX";
        folder = mkdtemp(pattern) ? pattern : "/tmp";
    }
    return folder;
}

// Installs the grid of `cells` as the viewer's mesh, unless it already is.
bool load_grid(int cells) {
    static int loaded = -1;
    if (loaded == cells) return true;
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    if (!read_terrain_file(ensure_bench_file(cells).c_str(), &parse, error, sizeof error)) {
        fprintf(stderr, "%s\n", error);
        return false;
    }
    install_terrain_mesh(&parse);
    loaded = cells;
    return true;
}

// The dump as it was first written: fprintf through a 1 MB buffer into a
// file beside the target, renamed over it when complete.
bool dump_with_fprintf(const char* path) {
    std::string temporary = std::string(path) + ".fprintf";
    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file) return false;
    static char buffer[1 << 20];
    setvbuf(file, buffer, _IOFBF, sizeof buffer);
    fprintf(file, "# Kestrolane DEM\n");
    const int n = terrain_vertex_count;
    for (int i = 0; i < n; ++i) {
        const TerrainVertex& v = terrain_vertices[i];
        fprintf(file, "v %f %f %f\n", v.x, v.y, v.z);
    }
    for (int i = 0; i < n; ++i) fprintf(file, "vt %f %f\n", terrain_vertices[i].s, terrain_vertices[i].t);
    for (int i = 0; i < n; ++i) {
        const TerrainVertex& v = terrain_vertices[i];
        fprintf(file, "vn %f %f %f\n", v.nx, v.ny, v.nz);
    }
    for (int i = 0; i < terrain_face_count; ++i) {
        const TerrainCorner* c = terrain_faces[i].corners;
        fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", c[0].vertex, c[0].texcoord, c[0].normal, c[1].vertex,
                c[1].texcoord, c[1].normal, c[2].vertex, c[2].texcoord, c[2].normal);
    }
    bool ok = !ferror(file);
    ok = fclose(file) == 0 && ok;
    return ok && rename(temporary.c_str(), path) == 0;
}

long long file_size(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (long long)info.st_size : -1;
}

void BM_kestrolane_dump(benchmark::State& state) {
    if (!load_grid((int)state.range(0))) {
        state.SkipWithError("the grid does not load");
        return;
    }
    const std::string path = scratch_folder() + "/dump.dem";
    char error[512];
    for (auto _ : state) {
        if (!write_terrain_dump(path.c_str(), error, sizeof error)) {
            state.SkipWithError(error);
            break;
        }
    }
    state.counters["faces"] = terrain_face_count;
    state.counters["MB"] = file_size(path) / 1e6;
}

void BM_fprintf_dump(benchmark::State& state) {
    if (!load_grid((int)state.range(0))) {
        state.SkipWithError("the grid does not load");
        return;
    }
    const std::string path = scratch_folder() + "/fprintf.dem";
    for (auto _ : state) {
        if (!dump_with_fprintf(path.c_str())) {
            state.SkipWithError("the fprintf dump cannot be written");
            break;
        }
    }
    state.counters["faces"] = terrain_face_count;
    state.counters["MB"] = file_size(path) / 1e6;
}

// Our dump must be byte for byte the fprintf one.
bool confirm_same_bytes(int cells) {
    const std::string ours = scratch_folder() + "/same.dem", theirs = scratch_folder() + "/same-fprintf.dem";
    char error[512];
    if (!load_grid(cells) || !write_terrain_dump(ours.c_str(), error, sizeof error) ||
        !dump_with_fprintf(theirs.c_str()))
        return false;
    const std::string command = "cmp -s '" + ours + "' '" + theirs + "'";
    const bool same = system(command.c_str()) == 0;
    printf("%d faces: %s bytes as fprintf\n", terrain_face_count, same ? "same" : "DIFFERENT");
    unlink(ours.c_str());
    unlink(theirs.c_str());
    return same;
}

}  // namespace

BENCHMARK(BM_kestrolane_dump)->Arg(128)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_fprintf_dump)->Arg(128)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    bool same = true;
    for (int cells : GRID_CELLS) same = confirm_same_bytes(cells) && same;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const std::string command = "rm -rf '" + scratch_folder() + "'";
    if (system(command.c_str()) != 0) return 1;
    return same ? 0 : 1;
}

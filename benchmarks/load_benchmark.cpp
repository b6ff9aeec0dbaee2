// Terrain load speed: our loader against tinyobjloader and a plain
// fgets/sscanf loader on the same generated grid files.
#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "benchmarks/bench_grid.h"
#include "files/terrain_file.h"
#include "files/terrain_normals.h"

namespace {

// Cells per side for about 32 thousand, 500 thousand and 2 million faces.
const int GRID_CELLS[] = {128, 500, 1000};

// The loader as the file format was first read: fgets 99 characters at a
// time and sscanf each line. Used to confirm our floats and as a reference.
bool load_with_sscanf(const char* path, std::vector<float>* positions) {
    FILE* in = fopen(path, "rb");
    if (!in) return false;
    char line[100], tag[100];
    float x, y, z;
    while (fgets(line, sizeof line, in)) {
        if (line[0] == 'v' && line[1] == ' ' && sscanf(line, "%s %f %f %f", tag, &x, &y, &z) == 4) {
            positions->push_back(x);
            positions->push_back(y);
            positions->push_back(z);
        } else if (line[0] == 'v' && line[1] == 't' && sscanf(line, "%s %f %f", tag, &x, &y) == 3) {
            positions->push_back(x);
            positions->push_back(y);
        }
    }
    fclose(in);
    return true;
}

void BM_kestrolane_load(benchmark::State& state) {
    const std::string& path = ensure_bench_file((int)state.range(0));
    char error[TERRAIN_ERROR_SIZE];
    int faces = 0;
    for (auto _ : state) {
        TerrainParse parse;
        if (!read_terrain_file(path.c_str(), &parse, error, sizeof error)) {
            state.SkipWithError(error);
            break;
        }
        faces = parse.face_count;
        benchmark::DoNotOptimize(parse.vertices[parse.vertex_count / 2].ny);
        free_terrain_parse(&parse);
    }
    state.counters["faces"] = faces;
}

void BM_tinyobjloader(benchmark::State& state) {
    const std::string& path = ensure_bench_file((int)state.range(0));
    size_t faces = 0;
    for (auto _ : state) {
        tinyobj::ObjReaderConfig config;
        config.triangulate = false;
        tinyobj::ObjReader reader;
        if (!reader.ParseFromFile(path, config)) {
            state.SkipWithError(reader.Error().c_str());
            break;
        }
        faces = reader.GetShapes().empty() ? 0 : reader.GetShapes()[0].mesh.num_face_vertices.size();
        benchmark::DoNotOptimize(reader.GetAttrib().vertices.data());
    }
    state.counters["faces"] = (double)faces;
}

void BM_fgets_sscanf(benchmark::State& state) {
    const std::string& path = ensure_bench_file((int)state.range(0));
    for (auto _ : state) {
        std::vector<float> values;
        load_with_sscanf(path.c_str(), &values);
        benchmark::DoNotOptimize(values.data());
    }
}

// Our floats must be bit for bit those sscanf("%f") gives.
bool confirm_same_floats(int cells) {
    const std::string& path = ensure_bench_file(cells);
    std::vector<float> expected;
    load_with_sscanf(path.c_str(), &expected);
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    if (!read_terrain_file(path.c_str(), &parse, error, sizeof error)) {
        fprintf(stderr, "%s\n", error);
        return false;
    }
    size_t n = (size_t)parse.vertex_count;
    bool same = expected.size() == n * 5;
    for (size_t i = 0; same && i < n; ++i) {
        const TerrainVertex& v = parse.vertices[i];
        same = memcmp(&v.x, &expected[3 * i], 3 * sizeof(float)) == 0 &&
               memcmp(&v.s, &expected[3 * n + 2 * i], 2 * sizeof(float)) == 0;
    }
    free_terrain_parse(&parse);
    printf("%s: %s floats as sscanf\n", path.c_str(), same ? "same" : "DIFFERENT");
    return same;
}

}  // namespace

BENCHMARK(BM_kestrolane_load)->Arg(128)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_tinyobjloader)->Arg(128)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_fgets_sscanf)->Arg(128)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    bool same = true;
    for (int cells : GRID_CELLS) same = confirm_same_floats(cells) && same;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return same ? 0 : 1;
}

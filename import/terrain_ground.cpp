// The ground of an imported terrain, read through the viewer's own loader, and its height anywhere on it.
#include "import/terrain_ground.h"

#include <algorithm>
#include <cmath>

#include "files/terrain_file.h"

namespace {

// Vertices are written with three decimals and read as floats.
bool near_coordinate(float read, double expected) {
    return std::fabs(read - expected) <= 0.01 + 1e-6 * std::fabs(expected);
}

// The columns of the grid `v` holds: where its second row starts, back at the
// west edge (x = west, z south of the first row); 0 when no such vertex divides
// the count evenly.
long long count_grid_columns(const TerrainVertex* v, long long count, double west, double north) {
    for (long long i = 1; i < count; ++i)
        if (near_coordinate(v[i].x, west) && !near_coordinate(v[i].z, north))
            return count % i == 0 ? i : 0;
    return 0;
}

// `value` held within 0..most; what is not a number goes to 0.
double keep_within(double value, double most) { return value > 0.0 ? std::min(value, most) : 0.0; }

}  // namespace

bool read_terrain_ground(const std::string& path, const TerrainLocation& location, TerrainGround* ground,
                         std::string* error) {
    char message[TERRAIN_ERROR_SIZE];
    TerrainRead read;
    if (!begin_terrain_read(path.c_str(), &read, message, sizeof message)) {
        *error = message;
        return false;
    }
    TerrainParse parse{};
    const bool parsed = parse_terrain_read(&read, &parse, message, sizeof message);
    end_terrain_read(&read);
    if (!parsed) {
        *error = message;
        return false;
    }
    const long long expected = (long long)location.columns * location.rows;
    const TerrainVertex* v = parse.vertices;
    const int last = parse.vertex_count - 1;
    const double west = -location.width / 2, east = location.width / 2;
    const double north = -location.depth / 2, south = location.depth / 2;
    const bool same_extent = parse.vertex_count == expected && near_coordinate(v[0].x, west) &&
                             near_coordinate(v[0].z, north) && near_coordinate(v[last].x, east) &&
                             near_coordinate(v[last].z, south);
    // The same count of vertices over the same ground may still be another
    // grid (a record edited to say 2 x 20000 of a 200 x 200 terrain): the
    // first row must end at the east edge, the last start at the west.
    const int first_row_end = location.columns - 1, last_row_start = last - first_row_end;
    const bool matches = same_extent && near_coordinate(v[first_row_end].x, east) &&
                         near_coordinate(v[first_row_end].z, north) && near_coordinate(v[last_row_start].x, west) &&
                         near_coordinate(v[last_row_start].z, south);
    const long long columns = same_extent && !matches ? count_grid_columns(v, parse.vertex_count, west, north) : 0;
    if (matches) {
        ground->columns = location.columns;
        ground->rows = location.rows;
        ground->width = location.width;
        ground->depth = location.depth;
        ground->heights.resize((size_t)expected);
        for (long long i = 0; i < expected; ++i) ground->heights[(size_t)i] = v[i].y;
    }
    free_terrain_parse(&parse);
    if (!matches && columns > 0)
        *error = "'" + path + "' is a " + std::to_string(columns) + " x " + std::to_string(expected / columns) +
                 " grid, not the " + std::to_string(location.columns) + " x " + std::to_string(location.rows) +
                 " its location record gives; import the raster again";
    else if (!matches)
        *error = "'" + path + "' is no longer the " + std::to_string(location.columns) + " x " +
                 std::to_string(location.rows) + " grid that was imported; import the raster again";
    return matches;
}

double measure_ground(const TerrainGround& g, double x, double z) {
    const double column = keep_within((x / g.width + 0.5) * (g.columns - 1), g.columns - 1.0);
    const double row = keep_within((z / g.depth + 0.5) * (g.rows - 1), g.rows - 1.0);
    const int c = std::min((int)column, g.columns - 2), r = std::min((int)row, g.rows - 2);
    const double u = column - c, v = row - r;  // east and south within the cell
    const float* north = &g.heights[(size_t)r * g.columns + c];
    const float* south = north + g.columns;
    const double nw = north[0], ne = north[1], sw = south[0], se = south[1];
    // The faces (north-west, south-east, north-east) and (north-west, south-west, south-east).
    if (u >= v) return nw + u * (ne - nw) + v * (se - ne);
    return nw + v * (sw - nw) + u * (se - sw);
}

double ground_cell_size(const TerrainGround& g) { return std::max(g.width / (g.columns - 1), g.depth / (g.rows - 1)); }

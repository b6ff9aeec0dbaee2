// Places the sample geometry layers on the default world and writes them as .vec files.
#include "datagen/sample_layers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "datagen/billboards.h"
#include "datagen/noise.h"
#include "datagen/world_files.h"
#include "files/geometry_text.h"
#include "files/whole_file.h"

namespace {

const double pi = 3.14159265358979323846;

const int kind_cone = GEOMETRY_CONE;
const int kind_billboard = GEOMETRY_BILLBOARD;
const double cone_upright = -90.0;  // turns a cone's local +z (its axis) to world +y

// Items keep this far inside the terrain's edges.
const double edge_margin = 150.0;

const int most_flags = 6;
const double flag_size = 30.0;      // 48 units tall
const double peak_spacing = 450.0;  // between two flagged summits
const double lowest_summit = 150.0;
const int peak_search_stride = 4;  // vertices between samples of the first, coarse search

const double lake_center_x = -60.0;
const double lake_center_z = -620.0;
const int shore_cones = 28;
const double cone_size = 4.0;         // base radius; a cone is always 10 high
const double cone_inland = 6.0;       // past the water's edge
const double shore_step = 2.0;        // of the march outwards from the lake's centre
const double farthest_shore = 700.0;  // from the centre
const double clear_of_river = 4.0;    // from a river's water edge
const double clear_of_signpost = 30.0;

const int main_river = 0;
const int tributaries[] = {1, 2};
const int tree_point_step = 2;           // river points between conifers
const double tree_bank_distance = 14.0;  // beyond the water's edge, plus up to as much again
const double tree_line = 160.0;
const double conifer_size = 13.0;  // plus up to 5
const double signpost_size = 14.0;
const double signpost_bank_distance = 22.0;
const uint32_t tree_seed = 1101;

struct layer_item {
    int kind;
    double x;
    double y;
    double z;
    double rx;
    double size;
    int texture;
};

struct grid_vertex {
    int column;
    int row;
    double height;
};

double step_x() { return (default_extent.x_max - default_extent.x_min) / (default_extent.columns - 1); }

double step_z() { return (default_extent.z_max - default_extent.z_min) / (default_extent.rows - 1); }

double locate_column(int column) {
    return default_extent.x_min +
           (default_extent.x_max - default_extent.x_min) * column / (default_extent.columns - 1);
}

double locate_row(int row) {
    return default_extent.z_min +
           (default_extent.z_max - default_extent.z_min) * row / (default_extent.rows - 1);
}

// A vertex height as Default.obj stores it (three decimals).
double measure_vertex(const river_network& rivers, int column, int row) {
    const double h = sample_default_ground(rivers, locate_column(column), locate_row(row)).height;
    return std::round(h * 1000.0) / 1000.0;
}

// The ground the viewer draws at (x, z): the terrain's triangles, each grid
// cell split from its north-west to its south-east corner.
double measure_drawn_ground(const river_network& rivers, double x, double z) {
    const double cf = (x - default_extent.x_min) / step_x();
    const double rf = (z - default_extent.z_min) / step_z();
    const int c = std::min(std::max(static_cast<int>(std::floor(cf)), 0), default_extent.columns - 2);
    const int r = std::min(std::max(static_cast<int>(std::floor(rf)), 0), default_extent.rows - 2);
    const double fx = cf - c;
    const double fz = rf - r;
    const double north_west = measure_vertex(rivers, c, r);
    const double south_east = measure_vertex(rivers, c + 1, r + 1);
    if (fx >= fz) {
        const double north_east = measure_vertex(rivers, c + 1, r);
        return north_west + fx * (north_east - north_west) + fz * (south_east - north_east);
    }
    const double south_west = measure_vertex(rivers, c, r + 1);
    return north_west + fz * (south_west - north_west) + fx * (south_east - south_west);
}

bool is_inside_margin(double x, double z) {
    return x >= default_extent.x_min + edge_margin && x <= default_extent.x_max - edge_margin &&
           z >= default_extent.z_min + edge_margin && z <= default_extent.z_max - edge_margin;
}

// A billboard's picture is centred on its position: lift it by half its
// height (4 size / 5) so it stands on the ground.
layer_item place_billboard(const river_network& rivers, double x, double z, double size, int texture) {
    return {kind_billboard, x, measure_drawn_ground(rivers, x, z) + 0.8 * size, z, 0.0, size, texture};
}

layer_item place_cone(const river_network& rivers, double x, double z) {
    return {kind_cone, x, measure_drawn_ground(rivers, x, z), z, cone_upright, cone_size, 0};
}

// Climbs from a vertex to a summit: a vertex higher than its eight neighbours.
grid_vertex climb_to_summit(const river_network& rivers, grid_vertex at) {
    for (bool higher = true; higher;) {
        higher = false;
        grid_vertex best = at;
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) {
                const int c = at.column + dc;
                const int r = at.row + dr;
                if ((dc == 0 && dr == 0) || c < 0 || c >= default_extent.columns || r < 0 ||
                    r >= default_extent.rows) {
                    continue;
                }
                const double h = measure_vertex(rivers, c, r);
                if (h > best.height) {
                    best = {c, r, h};
                }
            }
        }
        if (best.column != at.column || best.row != at.row) {
            at = best;
            higher = true;
        }
    }
    return at;
}

// Survey flags on the highest summits, each well apart from the others.
std::vector<layer_item> plan_summit_flags(const river_network& rivers) {
    std::vector<grid_vertex> candidates;
    for (int r = 0; r < default_extent.rows; r += peak_search_stride) {
        for (int c = 0; c < default_extent.columns; c += peak_search_stride) {
            if (is_inside_margin(locate_column(c), locate_row(r))) {
                candidates.push_back({c, r, measure_vertex(rivers, c, r)});
            }
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const grid_vertex& a, const grid_vertex& b) { return a.height > b.height; });
    std::vector<grid_vertex> summits;
    const auto is_apart = [&summits](const grid_vertex& v) {
        for (const grid_vertex& s : summits) {
            if (std::hypot(locate_column(v.column) - locate_column(s.column),
                           locate_row(v.row) - locate_row(s.row)) < peak_spacing) {
                return false;
            }
        }
        return true;
    };
    for (const grid_vertex& candidate : candidates) {
        if (static_cast<int>(summits.size()) >= most_flags || candidate.height < lowest_summit) {
            break;
        }
        if (!is_apart(candidate)) {
            continue;
        }
        // A climb that ends near the edge found a slope that rises off the terrain.
        const grid_vertex summit = climb_to_summit(rivers, candidate);
        if (is_inside_margin(locate_column(summit.column), locate_row(summit.row)) && is_apart(summit)) {
            summits.push_back(summit);
        }
    }
    std::vector<layer_item> items;
    for (const grid_vertex& s : summits) {
        items.push_back(place_billboard(rivers, locate_column(s.column), locate_row(s.row), flag_size,
                                        billboard_survey_flag));
    }
    return items;
}

// A point beside a river: `distance` from its centre line at point i, on the
// left (side -1) or right (side 1) looking upstream. River points are in
// (u, v) = (x, -z).
void locate_bank(const river_path& river, size_t i, double side, double distance, double& x, double& z) {
    const river_point& before = river.points[i > 0 ? i - 1 : i];
    const river_point& after = river.points[std::min(i + 1, river.points.size() - 1)];
    const double du = after.u - before.u;
    const double dv = after.v - before.v;
    const double length = std::fmax(std::hypot(du, dv), 1e-9);
    const river_point& p = river.points[i];
    x = p.u + side * dv / length * distance;
    z = -(p.v - side * du / length * distance);
}

bool is_dry_bank(const river_network& rivers, double x, double z) {
    const ground_sample g = sample_default_ground(rivers, x, z);
    return g.water_depth <= 0.0 && g.river_edge > clear_of_river && is_inside_margin(x, z);
}

// Signposts where the main river leaves the lake and where its two big
// tributaries join it, and one on the lake's south shore facing the start.
std::vector<layer_item> plan_signposts(const river_network& rivers) {
    std::vector<layer_item> items;
    const river_path& river = rivers.rivers[main_river];
    for (size_t i = 0; i < river.points.size(); ++i) {
        double x = 0.0;
        double z = 0.0;
        locate_bank(river, i, 1.0, std::fmax(river.points[i].water_half_width, 0.0) + signpost_bank_distance,
                    x, z);
        if (sample_default_ground(rivers, river.points[i].u, -river.points[i].v).water_depth <= 0.0 &&
            is_dry_bank(rivers, x, z)) {
            items.push_back(place_billboard(rivers, x, z, signpost_size, billboard_signpost));
            break;
        }
    }
    for (int t : tributaries) {
        const river_path& tributary = rivers.rivers[static_cast<size_t>(t)];
        for (size_t i = 2; i < tributary.points.size(); ++i) {
            double x = 0.0;
            double z = 0.0;
            locate_bank(tributary, i, -1.0,
                        std::fmax(tributary.points[i].water_half_width, 0.0) + signpost_bank_distance, x, z);
            if (is_dry_bank(rivers, x, z) && sample_default_ground(rivers, x, z).river_edge > 8.0) {
                items.push_back(place_billboard(rivers, x, z, signpost_size, billboard_signpost));
                break;
            }
        }
    }
    return items;
}

// The water's edge along a bearing from the lake's centre (0 north, pi/2
// east), moved a little inland; false if none is found.
bool find_shore(const river_network& rivers, double bearing, double inland, double& x, double& z) {
    const double dx = std::sin(bearing);
    const double dz = -std::cos(bearing);
    bool wet = false;
    for (double r = 0.0; r <= farthest_shore; r += shore_step) {
        const bool now_wet =
            sample_default_ground(rivers, lake_center_x + dx * r, lake_center_z + dz * r).water_depth > 0.0;
        if (wet && !now_wet) {
            x = lake_center_x + dx * (r + inland);
            z = lake_center_z + dz * (r + inland);
            return true;
        }
        wet = wet || now_wet;
    }
    return false;
}

std::vector<layer_item> plan_lake_and_river(const river_network& rivers) {
    std::vector<layer_item> items = plan_signposts(rivers);
    double x = 0.0;
    double z = 0.0;
    if (find_shore(rivers, pi, signpost_bank_distance, x, z)) {
        items.push_back(place_billboard(rivers, x, z, signpost_size, billboard_signpost));
    }
    const size_t signposts = items.size();

    const river_path& river = rivers.rivers[main_river];
    for (size_t i = 0; i < river.points.size(); i += tree_point_step) {
        const double side = (i / tree_point_step) % 2 == 0 ? 1.0 : -1.0;
        const double spread = hash_to_unit(static_cast<int32_t>(i), 0, tree_seed);
        const double distance =
            std::fmax(river.points[i].water_half_width, 0.0) + tree_bank_distance * (1.0 + spread);
        locate_bank(river, i, side, distance, x, z);
        if (is_dry_bank(rivers, x, z) && measure_drawn_ground(rivers, x, z) < tree_line) {
            const double size = conifer_size + 5.0 * hash_to_unit(static_cast<int32_t>(i), 1, tree_seed);
            items.push_back(place_billboard(rivers, x, z, size, billboard_conifer));
        }
    }

    for (int k = 0; k < shore_cones; ++k) {
        if (!find_shore(rivers, 2.0 * pi * k / shore_cones, cone_inland, x, z) ||
            sample_default_ground(rivers, x, z).river_edge <= clear_of_river) {
            continue;
        }
        bool clear = true;
        for (size_t i = 0; i < signposts; ++i) {
            clear = clear && std::hypot(items[i].x - x, items[i].z - z) >= clear_of_signpost;
        }
        if (clear) {
            items.push_back(place_cone(rivers, x, z));
        }
    }
    return items;
}

bool write_layer(const std::string& path, const std::vector<layer_item>& items, std::string& summary,
                 std::string& error) {
    if (items.size() > static_cast<size_t>(MAX_GEOMETRY_ITEMS)) {
        error = "layer " + path + " has more items than the viewer holds";
        return false;
    }
    std::vector<GeometryItem> layer;
    for (const layer_item& item : items) {
        layer.push_back({item.kind, read_back(item.x), read_back(item.y), read_back(item.z), read_back(item.rx), 0.0f,
                         0.0f, item.texture, read_back(item.size)});
    }
    char message[WHOLE_FILE_PATH_SIZE + 256];
    if (!write_geometry_text(path.c_str(), layer.data(), static_cast<int>(layer.size()), message, sizeof message)) {
        error = message;
        return false;
    }
    summary +=
        " " + path.substr(path.find_last_of('/') + 1) + " (" + std::to_string(items.size()) + " items)";
    return true;
}

}  // namespace

bool write_sample_layers(const std::string& folder, const river_network& rivers, std::string& summary,
                         std::string& error) {
    if (rivers.rivers.size() <= static_cast<size_t>(std::max(main_river, 2))) {
        error = "the default world has too few rivers for the sample layers";
        return false;
    }
    return write_layer(folder + "/Summit_Flags.vec", plan_summit_flags(rivers), summary, error) &&
           write_layer(folder + "/Lake_and_River.vec", plan_lake_and_river(rivers), summary, error);
}

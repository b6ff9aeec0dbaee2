// Checks a generated world folder against what the viewer's loaders and first view need:
// the terrains, flythroughs and geometry layers are read with the viewer's own readers.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "files/flythrough_text.h"
#include "files/geometry_text.h"
#include "files/terrain_file.h"
#include "files/texture_file.h"
#include "overlay/tray_table.h"

namespace {

const double start_clearance = 40.0;  // ground near the start point lies at least this far below the eye
const double start_radius = 150.0;
const double lake_level = -100.0;

const char* const flythrough_names[] = {"Grand_Tour.flt", "Lake_Circle.flt"};
const int shortest_flythrough = 600;       // ten seconds at 60 frames a second
const double longest_flythrough_speed = 100.0;
// The eye stays this far above the highest corner of the terrain cell it is over.
const double flythrough_clearance = 40.0;
const double fastest_flythrough_turn = 0.01;  // radians per frame
const double steepest_flythrough_rise = 3.0;  // height change per frame
const double lowest_flythrough_look = -0.5;   // a look direction's y: down a little, never up
const float flythrough_advance = 0.1f;        // the viewer's distance per unit of speed per frame
const double full_turn = 2.0 * 3.14159265358979323846;

const int sky_face_count = 6;
const int sky_size = 256;
// Mean of the largest channel difference between facing texels along one
// box edge. Neighbouring texels inside a face differ by about 1.5; a face
// turned or mirrored against its neighbours gives 9 and more.
const double sky_seam_tolerance = 5.0;
// The top row of a side face shows sky, the bottom row ground: blue leads
// red by far more at the top.
const double sky_upright_margin = 40.0;

// Overlay pictures at 1024 x 768: the panel quad maps texture (s, t) to
// (0.05 - 0.1 s, -0.05 + 0.1 t) at depth 0.25, moved by the panel offset and
// turned by -45 degrees; eye (X, Y) there lands on window pixel
// (512 + 1536 X, 384 + 1536 Y), y up.
const int overlay_size = 128;
const int handle_size = 32;
const int billboard_size = 128;
// The pictures keep everything but their icons more transparent than this.
const int icon_alpha = 250;
const double icon_tolerance = 4.0;  // pixels between an icon's centroid and its hot spot
const int fewest_icon_texels = 20;

// A geometry item stands this close to the ground the viewer draws.
const double item_ground_tolerance = 1.0;

struct sky_corner {
    double s;
    double t;
    double x;
    double y;
    double z;
};

// The viewer's sky box, face by face, corner by corner as it draws them
// (box half-size 1 here): texture coordinates, then position.
const sky_corner sky_box[sky_face_count][4] = {
    {{1, 1, -1, -1, -1}, {0, 1, 1, -1, -1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}},
    {{0, 1, -1, -1, 1}, {0, 0, -1, 1, 1}, {1, 0, 1, 1, 1}, {1, 1, 1, -1, 1}},
    {{0, 1, 1, -1, 1}, {0, 0, 1, -1, -1}, {1, 0, -1, -1, -1}, {1, 1, -1, -1, 1}},
    {{0, 1, -1, -1, -1}, {0, 0, -1, 1, -1}, {1, 0, -1, 1, 1}, {1, 1, -1, -1, 1}},
    {{1, 1, 1, -1, -1}, {0, 1, 1, -1, 1}, {0, 0, 1, 1, 1}, {1, 0, 1, 1, -1}},
    {{0, 0, 1, 1, 1}, {1, 0, -1, 1, 1}, {1, 1, -1, 1, -1}, {0, 1, 1, 1, -1}},
};

struct box_point {
    double v[3];
};

struct model {
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> z;
    std::vector<double> s;
    std::vector<double> t;
    std::vector<long> corners;  // three 1-based vertex numbers per face
};

struct flythrough {
    float start[6];  // eye, then target
    std::vector<float> speed;
    std::vector<float> yaw;
    std::vector<float> height;
    std::vector<float> dir_y;
};

// The vertices of a terrain model as a grid, rows from the north.
struct ground_grid {
    size_t columns;
    size_t rows;
    double x_min;
    double x_max;
    double z_min;
    double z_max;
};

int failures = 0;

void report_failure(const std::string& what, const std::string& message) {
    std::printf("FAIL %s: %s\n", what.c_str(), message.c_str());
    ++failures;
}

bool read_file(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return true;
}

// The model as the viewer reads it; every corner must name one vertex record
// for its position, texture coordinate and normal alike.
bool load_model(const std::string& path, model& m) {
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    if (!read_terrain_file(path.c_str(), &parse, error, sizeof error)) {
        report_failure(path, error);
        return false;
    }
    for (int i = 0; i < parse.vertex_count; ++i) {
        const TerrainVertex& v = parse.vertices[i];
        m.x.push_back(v.x);
        m.y.push_back(v.y);
        m.z.push_back(v.z);
        m.s.push_back(v.s);
        m.t.push_back(v.t);
    }
    bool same = true;
    for (int f = 0; f < parse.face_count; ++f) {
        for (const TerrainCorner& c : parse.faces[f].corners) {
            same = same && c.texcoord == c.vertex && c.normal == c.vertex;
            m.corners.push_back(c.vertex);
        }
    }
    free_terrain_parse(&parse);
    if (!same) report_failure(path, "a face corner does not read \"a/a/a\"");
    return same;
}

void check_model(const std::string& path) {
    model m;
    if (!load_model(path, m)) {
        return;
    }
    const size_t count = m.x.size();
    if (count < 4 || m.s.size() != count || m.corners.empty()) {
        report_failure(path, "needs as many texture coordinates as vertices, and faces");
        return;
    }
    const double x_min = *std::min_element(m.x.begin(), m.x.end());
    const double x_max = *std::max_element(m.x.begin(), m.x.end());
    const double z_min = *std::min_element(m.z.begin(), m.z.end());
    const double z_max = *std::max_element(m.z.begin(), m.z.end());

    for (size_t i = 0; i < count; ++i) {
        const double s = (m.x[i] - x_min) / (x_max - x_min);
        const double t = (z_max - m.z[i]) / (z_max - z_min);
        if (std::fabs(s - m.s[i]) > 2e-6 || std::fabs(t - m.t[i]) > 2e-6) {
            report_failure(path,
                           "texture coordinate " + std::to_string(i + 1) + " does not follow the map layout");
            return;
        }
    }

    // The reader has refused corners beyond the vertices and vertices with
    // more faces than the viewer holds.
    for (size_t f = 0; f + 2 < m.corners.size(); f += 3) {
        size_t p[3];
        for (int k = 0; k < 3; ++k) {
            p[k] = static_cast<size_t>(m.corners[f + static_cast<size_t>(k)] - 1);
        }
        const double ax = m.x[p[1]] - m.x[p[0]];
        const double az = m.z[p[1]] - m.z[p[0]];
        const double bx = m.x[p[2]] - m.x[p[1]];
        const double bz = m.z[p[2]] - m.z[p[1]];
        if (az * bx - ax * bz <= 0.0) {
            report_failure(path, "face " + std::to_string(f / 3 + 1) + " does not face up");
            return;
        }
    }

    // The eye starts at the origin at height 0 looking north (-z): the origin
    // must lie on the terrain, with the ground around it well below the eye
    // and high ground to the north.
    if (x_min > 0.0 || x_max < 0.0 || z_min > 0.0 || z_max < 0.0) {
        report_failure(path, "the start point is off the terrain");
    }
    double near_highest = -1e30;
    double north_highest = -1e30;
    for (size_t i = 0; i < count; ++i) {
        if (std::hypot(m.x[i], m.z[i]) <= start_radius) {
            near_highest = std::max(near_highest, m.y[i]);
        }
        if (m.z[i] < 0.0) {
            north_highest = std::max(north_highest, m.y[i]);
        }
    }
    if (near_highest > -start_clearance) {
        report_failure(path, "ground near the start point reaches " + std::to_string(near_highest));
    }
    if (north_highest <= 0.0) {
        report_failure(path, "nothing to the north rises above the eye");
    }
    std::printf("ok   %s: %zu vertices, %zu faces, x %.0f..%.0f, z %.0f..%.0f\n", path.c_str(), count,
                m.corners.size() / 3, x_min, x_max, z_min, z_max);
}

bool check_image(const std::string& path, int width, int height, int components,
                 std::vector<unsigned char>& pixels) {
    std::string content;
    if (!read_file(path, content)) {
        report_failure(path, "cannot be read");
        return false;
    }
    const size_t expected =
        static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(components);
    if (content.size() != expected) {
        report_failure(path,
                       "holds " + std::to_string(content.size()) + " bytes, not " + std::to_string(expected));
        return false;
    }
    pixels.assign(content.begin(), content.end());
    return true;
}

void check_info(const std::string& path, int width, int height, int components) {
    int w = 0, h = 0, c = 0;
    char error[512];
    if (!read_info_file(path.c_str(), &w, &h, &c, error, sizeof error)) {
        report_failure(path, error);
    } else if (w != width || h != height || c != components) {
        report_failure(path, "should read " + std::to_string(width) + " " + std::to_string(height) + " " +
                                 std::to_string(components));
    }
}

// Where the terrain is flat lake water, the texture must show water: this
// catches a texture that is flipped or turned against the terrain.
void check_lake_lines_up(const std::string& model_path, const std::string& image_path,
                         const std::vector<unsigned char>& pixels, int size) {
    model m;
    if (!load_model(model_path, m) || m.x.empty()) {
        return;
    }
    const double x_min = *std::min_element(m.x.begin(), m.x.end());
    const double x_max = *std::max_element(m.x.begin(), m.x.end());
    const double z_min = *std::min_element(m.z.begin(), m.z.end());
    const double z_max = *std::max_element(m.z.begin(), m.z.end());
    const double reach = 2.5 * (x_max - x_min) / size;
    int lake = 0;
    int blue = 0;
    for (size_t i = 0; i < m.x.size(); ++i) {
        if (std::fabs(m.y[i] - lake_level) > 1e-6) {
            continue;
        }
        // Keep to the open water, away from the shore.
        bool open_water = true;
        for (size_t j = 0; j < m.x.size() && open_water; ++j) {
            if (std::fabs(m.x[j] - m.x[i]) <= reach && std::fabs(m.z[j] - m.z[i]) <= reach &&
                std::fabs(m.y[j] - lake_level) > 1e-6) {
                open_water = false;
            }
        }
        if (!open_water) {
            continue;
        }
        const int col = std::min(size - 1, static_cast<int>((m.x[i] - x_min) / (x_max - x_min) * size));
        const int row = std::min(size - 1, static_cast<int>((m.z[i] - z_min) / (z_max - z_min) * size));
        const size_t at =
            (static_cast<size_t>(row) * static_cast<size_t>(size) + static_cast<size_t>(col)) * 3;
        ++lake;
        if (pixels[at + 2] > pixels[at] + 20) {
            ++blue;
        }
    }
    if (lake == 0) {
        report_failure(model_path, "has no open lake water to line the images up with");
    } else if (blue < lake * 95 / 100) {
        report_failure(image_path, "shows water under only " + std::to_string(blue) + " of " +
                                       std::to_string(lake) + " open-water vertices");
    }
}

// Where texture coordinates (s, t) of a face lie on the box: the viewer
// interpolates the corners bilinearly.
box_point locate_on_face(int face, double s, double t) {
    box_point p = {{0.0, 0.0, 0.0}};
    for (const sky_corner& c : sky_box[face]) {
        const double w = (c.s > 0.5 ? s : 1.0 - s) * (c.t > 0.5 ? t : 1.0 - t);
        p.v[0] += w * c.x;
        p.v[1] += w * c.y;
        p.v[2] += w * c.z;
    }
    return p;
}

// The texture coordinates of a box point that lies on the given face.
bool find_on_face(int face, const box_point& p, double& s, double& t) {
    const box_point o = locate_on_face(face, 0.0, 0.0);
    const box_point a = locate_on_face(face, 1.0, 0.0);
    const box_point b = locate_on_face(face, 0.0, 1.0);
    double along_s = 0.0;
    double along_t = 0.0;
    double length_s = 0.0;
    double length_t = 0.0;
    for (int k = 0; k < 3; ++k) {
        along_s += (p.v[k] - o.v[k]) * (a.v[k] - o.v[k]);
        along_t += (p.v[k] - o.v[k]) * (b.v[k] - o.v[k]);
        length_s += (a.v[k] - o.v[k]) * (a.v[k] - o.v[k]);
        length_t += (b.v[k] - o.v[k]) * (b.v[k] - o.v[k]);
    }
    s = along_s / length_s;
    t = along_t / length_t;
    const box_point back = locate_on_face(face, s, t);
    double miss = 0.0;
    for (int k = 0; k < 3; ++k) {
        miss += std::fabs(back.v[k] - p.v[k]);
    }
    return miss < 1e-9 && s >= -1e-9 && s <= 1.0 + 1e-9 && t >= -1e-9 && t <= 1.0 + 1e-9;
}

int clamp_texel(double coordinate) {
    return std::min(sky_size - 1, std::max(0, static_cast<int>(std::floor(coordinate * sky_size))));
}

const unsigned char* fetch_texel(const std::vector<unsigned char>& pixels, int col, int row) {
    return &pixels[(static_cast<size_t>(row) * sky_size + static_cast<size_t>(col)) * 3];
}

std::string name_sky(const std::string& dir, int face) {
    return dir + "/sky_" + std::to_string(face) + ".raw";
}

// Texels facing each other across every box edge must show the same sky;
// a face that is turned or mirrored shows a seam.
void check_sky_seams(const std::string& dir, const std::vector<std::vector<unsigned char>>& faces) {
    for (int f = 0; f < sky_face_count; ++f) {
        for (int edge = 0; edge < 4; ++edge) {
            double total = 0.0;
            int neighbour = -1;
            for (int k = 0; k < sky_size; ++k) {
                const double along = (k + 0.5) / sky_size;
                const double s = edge == 0 ? 0.0 : (edge == 1 ? 1.0 : along);
                const double t = edge == 2 ? 0.0 : (edge == 3 ? 1.0 : along);
                const box_point p = locate_on_face(f, s, t);
                int found = -1;
                double s2 = 0.0;
                double t2 = 0.0;
                for (int h = 0; h < sky_face_count && found < 0; ++h) {
                    if (h != f && find_on_face(h, p, s2, t2)) {
                        found = h;
                    }
                }
                if (found < 0) {
                    report_failure(name_sky(dir, f), "an edge of the box meets no other face");
                    return;
                }
                neighbour = found;
                const unsigned char* a =
                    fetch_texel(faces[static_cast<size_t>(f)], clamp_texel(s), clamp_texel(t));
                const unsigned char* b =
                    fetch_texel(faces[static_cast<size_t>(found)], clamp_texel(s2), clamp_texel(t2));
                int largest = 0;
                for (int c = 0; c < 3; ++c) {
                    largest = std::max(largest, std::abs(static_cast<int>(a[c]) - static_cast<int>(b[c])));
                }
                total += largest;
            }
            const double mean = total / sky_size;
            if (mean > sky_seam_tolerance) {
                char line[160];
                std::snprintf(line, sizeof line,
                              "shows a seam where it meets sky_%d.raw (mean difference %.1f)", neighbour,
                              mean);
                report_failure(name_sky(dir, f), line);
            }
        }
    }
}

double measure_blueness(const std::vector<unsigned char>& pixels, int row) {
    double total = 0.0;
    for (int col = 0; col < sky_size; ++col) {
        const unsigned char* p = fetch_texel(pixels, col, row);
        total += static_cast<double>(p[2]) - static_cast<double>(p[0]);
    }
    return total / sky_size;
}

// The sky must be the right way up, and the sun, its brightest part, must
// be in the first view: ahead (-z) within the 90 degree high, 4:3 window,
// above the horizon.
void check_sky_layout(const std::string& dir, const std::vector<std::vector<unsigned char>>& faces) {
    for (int f : {0, 1, 3, 4}) {
        const std::vector<unsigned char>& pixels = faces[static_cast<size_t>(f)];
        if (measure_blueness(pixels, 0) < measure_blueness(pixels, sky_size - 1) + sky_upright_margin) {
            report_failure(name_sky(dir, f), "is not sky at the top and ground at the bottom");
        }
    }
    if (measure_blueness(faces[5], sky_size / 2) <
        measure_blueness(faces[2], sky_size / 2) + sky_upright_margin) {
        report_failure(name_sky(dir, 5), "overhead is not bluer than underfoot");
    }
    int brightest = -1;
    box_point sun = {{0.0, 0.0, 0.0}};
    for (int f = 0; f < sky_face_count; ++f) {
        for (int row = 0; row < sky_size; ++row) {
            for (int col = 0; col < sky_size; ++col) {
                const unsigned char* p = fetch_texel(faces[static_cast<size_t>(f)], col, row);
                const int sum = p[0] + p[1] + p[2];
                if (sum > brightest) {
                    brightest = sum;
                    sun = locate_on_face(f, (col + 0.5) / sky_size, (row + 0.5) / sky_size);
                }
            }
        }
    }
    const double ahead = -sun.v[2];
    if (ahead <= 0.0 || std::fabs(sun.v[0]) > ahead * 4.0 / 3.0 || sun.v[1] <= 0.0 || sun.v[1] > ahead) {
        char line[160];
        std::snprintf(line, sizeof line, "the sun (towards %.2f %.2f %.2f) is not in the start view",
                      sun.v[0], sun.v[1], sun.v[2]);
        report_failure(dir + "/sky_*.raw", line);
    }
}

void check_sky(const std::string& dir) {
    std::vector<std::vector<unsigned char>> faces(sky_face_count);
    bool complete = true;
    for (int f = 0; f < sky_face_count; ++f) {
        complete =
            check_image(name_sky(dir, f), sky_size, sky_size, 3, faces[static_cast<size_t>(f)]) && complete;
    }
    if (complete) {
        check_sky_seams(dir, faces);
        check_sky_layout(dir, faces);
    }
}

bool load_flythrough(const std::string& path, flythrough& f) {
    f.speed.resize(FLYTHROUGH_CAPACITY);
    f.yaw.resize(FLYTHROUGH_CAPACITY);
    f.height.resize(FLYTHROUGH_CAPACITY);
    f.dir_y.resize(FLYTHROUGH_CAPACITY);
    const FlythroughArrays arrays{f.speed.data(), f.yaw.data(), f.height.data(), f.dir_y.data(), f.start,
                                  f.start + 3};
    char error[512];
    const int count = read_flythrough_text(path.c_str(), arrays, error, sizeof error);
    if (count <= 0) {
        report_failure(path, error);
        return false;
    }
    for (std::vector<float>* samples : {&f.speed, &f.yaw, &f.height, &f.dir_y}) {
        samples->resize(static_cast<size_t>(count));
    }
    return true;
}

// Checks that the vertices form the grid the viewer draws, so a point's
// cell can be found from its position.
bool measure_grid(const model& m, ground_grid& grid) {
    const size_t count = m.x.size();
    size_t columns = 0;
    while (columns < count && m.z[columns] == m.z[0]) {
        ++columns;
    }
    if (columns < 2 || count % columns != 0 || count / columns < 2) {
        return false;
    }
    grid = {columns, count / columns, m.x[0], m.x[columns - 1], m.z[0], m.z[count - 1]};
    const double x_step = (grid.x_max - grid.x_min) / static_cast<double>(grid.columns - 1);
    const double z_step = (grid.z_max - grid.z_min) / static_cast<double>(grid.rows - 1);
    for (size_t i = 0; i < count; ++i) {
        const double x = grid.x_min + x_step * static_cast<double>(i % columns);
        const double z = grid.z_min + z_step * static_cast<double>(i / columns);
        if (std::fabs(m.x[i] - x) > 1e-2 || std::fabs(m.z[i] - z) > 1e-2) {
            return false;
        }
    }
    return x_step > 0.0 && z_step > 0.0;
}

// The highest corner of the grid cell under a point that lies on the grid.
double find_highest_corner(const model& m, const ground_grid& grid, double x, double z) {
    const double column =
        (x - grid.x_min) / (grid.x_max - grid.x_min) * static_cast<double>(grid.columns - 1);
    const double row = (z - grid.z_min) / (grid.z_max - grid.z_min) * static_cast<double>(grid.rows - 1);
    const size_t c = std::min(static_cast<size_t>(std::max(0.0, std::floor(column))), grid.columns - 2);
    const size_t r = std::min(static_cast<size_t>(std::max(0.0, std::floor(row))), grid.rows - 2);
    const size_t at = r * grid.columns + c;
    return std::max({m.y[at], m.y[at + 1], m.y[at + grid.columns], m.y[at + grid.columns + 1]});
}

// Plays the flythrough as the viewer does: the start line sets the eye and
// the direction; each sample then moves the eye by its whole speed along
// the previous direction, sets the height and turns to its yaw. The played
// eye must stay over the terrain, clear of the ground, and turn and climb
// gently enough to watch.
void check_flythrough(const std::string& path, const model& m, const ground_grid& grid) {
    flythrough f;
    if (!load_flythrough(path, f)) {
        return;
    }
    float eye_x = f.start[0];
    float eye_y = f.start[1];
    float eye_z = f.start[2];
    float dir_x = f.start[3] - eye_x;
    float dir_z = f.start[5] - eye_z;
    double yaw = std::atan2(dir_x, -dir_z);
    double lowest = 1e30;
    double sharpest = 0.0;
    double flown = 0.0;
    char line[200];
    for (size_t i = 0; i < f.speed.size(); ++i) {
        const std::string where = path + " sample " + std::to_string(i + 1);
        if (!(f.speed[i] >= 0.0f && f.speed[i] <= longest_flythrough_speed &&
              f.speed[i] == std::floor(f.speed[i]))) {
            report_failure(where, "speed is not a whole number from 0 to 100");
            return;
        }
        if (!(f.dir_y[i] >= lowest_flythrough_look && f.dir_y[i] <= 0.0f)) {
            report_failure(where, "looks up or too steeply down");
            return;
        }
        const int steps = static_cast<int>(f.speed[i]);
        eye_x += steps * dir_x * flythrough_advance;
        eye_z += steps * dir_z * flythrough_advance;
        flown += steps * static_cast<double>(flythrough_advance);
        if (!(eye_x >= grid.x_min && eye_x <= grid.x_max && eye_z >= grid.z_min && eye_z <= grid.z_max)) {
            std::snprintf(line, sizeof line, "the eye leaves the terrain at x %.1f, z %.1f", eye_x, eye_z);
            report_failure(where, line);
            return;
        }
        if (!(std::fabs(f.height[i] - eye_y) <= steepest_flythrough_rise)) {
            std::snprintf(line, sizeof line, "height jumps from %.1f to %.1f", eye_y, f.height[i]);
            report_failure(where, line);
            return;
        }
        eye_y = f.height[i];
        lowest = std::min(lowest, eye_y - find_highest_corner(m, grid, eye_x, eye_z));
        const double turn = std::fabs(std::remainder(f.yaw[i] - yaw, full_turn));
        if (!(turn <= fastest_flythrough_turn)) {
            std::snprintf(line, sizeof line, "turns by %.4f radians in one frame", turn);
            report_failure(where, line);
            return;
        }
        sharpest = std::max(sharpest, turn);
        yaw = f.yaw[i];
        dir_x = static_cast<float>(std::sin(yaw));
        dir_z = static_cast<float>(-std::cos(yaw));
    }
    if (lowest < flythrough_clearance) {
        std::snprintf(line, sizeof line, "the eye comes within %.1f of the ground", lowest);
        report_failure(path, line);
        return;
    }
    if (f.speed.size() < static_cast<size_t>(shortest_flythrough)) {
        report_failure(path, "lasts only " + std::to_string(f.speed.size()) + " samples");
        return;
    }
    std::printf(
        "ok   %s: %zu samples (%.1f s at 60 frames a second), %.0f units flown, eye at least %.1f "
        "over the ground, turns at most %.4f a frame\n",
        path.c_str(), f.speed.size(), f.speed.size() / 60.0, flown, lowest, sharpest);
}

// Each overlay picture must show, under every hot spot of its element, an
// icon centred on it (the centroid of its opaque texels, where the viewer
// shows them), and nothing under a blank one (an element that does nothing).
void check_overlay_picture(const std::string& path, int number) {
    std::vector<unsigned char> pixels;
    if (!check_image(path, overlay_size, overlay_size, 4, pixels)) {
        return;
    }
    const TrayPicture picture = find_tray_picture(number);
    const double turn = std::sqrt(0.5);
    double sum_x[9] = {};
    double sum_y[9] = {};
    int count[9] = {};
    for (int row = 0; row < overlay_size; ++row) {
        for (int col = 0; col < overlay_size; ++col) {
            if (pixels[(static_cast<size_t>(row) * overlay_size + static_cast<size_t>(col)) * 4 + 3] <
                icon_alpha) {
                continue;
            }
            const double x = 0.05 - 0.1 * (col + 0.5) / overlay_size + picture.offset_x;
            const double y = -0.05 + 0.1 * (row + 0.5) / overlay_size + picture.offset_y;
            const double px = 512.0 + 1536.0 * turn * (x + y);
            const double py = 384.0 + 1536.0 * turn * (y - x);
            for (int e = 0; e < picture.count; ++e) {
                // A hot spot names a pixel; its centre is half a pixel further on.
                const TrayElement& element = *picture.elements[e];
                if (std::fabs(px - (element.x + 0.5)) < reference_half_width(element.kind) &&
                    std::fabs(py - (element.y + 0.5)) < reference_half_height(element.kind)) {
                    sum_x[e] += px;
                    sum_y[e] += py;
                    ++count[e];
                    break;
                }
            }
        }
    }
    const int before = failures;
    char line[200];
    for (int e = 0; e < picture.count; ++e) {
        const TrayElement& element = *picture.elements[e];
        const bool blank = element.operation == OP_NONE;
        if (blank || count[e] < fewest_icon_texels) {
            if (blank != (count[e] == 0)) {
                std::snprintf(line, sizeof line, "slot %d shows %d icon texels under its hot spot, %s",
                              element.slot, count[e], blank ? "not a blank tile" : "not an icon");
                report_failure(path, line);
            }
            continue;
        }
        const double cx = sum_x[e] / count[e];
        const double cy = sum_y[e] / count[e];
        if (std::hypot(cx - (element.x + 0.5), cy - (element.y + 0.5)) > icon_tolerance) {
            std::snprintf(line, sizeof line,
                          "slot %d's icon is centred on (%.1f, %.1f), not on its hot spot (%d, %d)",
                          element.slot, cx, cy, element.x, element.y);
            report_failure(path, line);
        }
    }
    if (failures == before) {
        std::printf("ok   %s: every icon on its hot spot at 1024 x 768\n", path.c_str());
    }
}

bool is_transparent_corners(const std::vector<unsigned char>& pixels, int size) {
    const size_t last = static_cast<size_t>(size - 1);
    for (const size_t at :
         {size_t{0}, last, last * static_cast<size_t>(size), last * static_cast<size_t>(size) + last}) {
        if (pixels[at * 4 + 3] != 0) {
            return false;
        }
    }
    return true;
}

// The handle is a round tab: the disk or panel hides a different half of it
// on each tray, so every half must show it.
void check_handle(const std::string& path) {
    std::vector<unsigned char> pixels;
    if (!check_image(path, handle_size, handle_size, 4, pixels)) {
        return;
    }
    int halves[4] = {};
    for (int row = 0; row < handle_size; ++row) {
        for (int col = 0; col < handle_size; ++col) {
            if (pixels[(static_cast<size_t>(row) * handle_size + static_cast<size_t>(col)) * 4 + 3] >= 128) {
                ++halves[col < handle_size / 2 ? 0 : 1];
                ++halves[row < handle_size / 2 ? 2 : 3];
            }
        }
    }
    if (!is_transparent_corners(pixels, handle_size) || *std::min_element(halves, halves + 4) == 0) {
        report_failure(path, "is not a round tab on a transparent background");
    }
}

// A billboard is drawn centred on its item with t = 0 at the top: its
// subject must be opaque on a transparent background and stand on the
// bottom edge in the middle.
void check_billboard(const std::string& path) {
    std::vector<unsigned char> pixels;
    if (!check_image(path, billboard_size, billboard_size, 4, pixels)) {
        return;
    }
    int opaque = 0;
    bool standing = false;
    for (int row = 0; row < billboard_size; ++row) {
        for (int col = 0; col < billboard_size; ++col) {
            if (pixels[(static_cast<size_t>(row) * billboard_size + static_cast<size_t>(col)) * 4 + 3] ==
                255) {
                ++opaque;
                standing =
                    standing || (row >= billboard_size - 4 && std::abs(2 * col + 1 - billboard_size) < 32);
            }
        }
    }
    if (!is_transparent_corners(pixels, billboard_size)) {
        report_failure(path, "corners are not transparent");
    }
    if (opaque < billboard_size * billboard_size / 20) {
        report_failure(path, "has almost no opaque subject");
    }
    if (!standing) {
        report_failure(path, "subject does not stand on the middle of the bottom edge");
    }
}

// The ground the viewer draws at a point of the grid: each cell split from
// its north-west to its south-east corner, as Default.obj's faces are.
double measure_drawn_height(const model& m, const ground_grid& grid, double x, double z) {
    const double column =
        (x - grid.x_min) / (grid.x_max - grid.x_min) * static_cast<double>(grid.columns - 1);
    const double row = (z - grid.z_min) / (grid.z_max - grid.z_min) * static_cast<double>(grid.rows - 1);
    const size_t c = std::min(static_cast<size_t>(std::max(0.0, std::floor(column))), grid.columns - 2);
    const size_t r = std::min(static_cast<size_t>(std::max(0.0, std::floor(row))), grid.rows - 2);
    const double fx = column - static_cast<double>(c);
    const double fz = row - static_cast<double>(r);
    const size_t at = r * grid.columns + c;
    const double north_west = m.y[at];
    const double south_east = m.y[at + grid.columns + 1];
    if (fx >= fz) {
        return north_west + fx * (m.y[at + 1] - north_west) + fz * (south_east - m.y[at + 1]);
    }
    return north_west + fz * (m.y[at + grid.columns] - north_west) +
           fx * (south_east - m.y[at + grid.columns]);
}

// A .vec file as the viewer reads it, each item on the terrain
// and standing on the ground: a billboard's picture centred half its
// height (4 size / 5) above it, an upright cone's base and a sphere's
// lowest point on it.
void check_vector_layer(const std::string& path, const model& m, const ground_grid& grid) {
    std::vector<GeometryItem> items(MAX_GEOMETRY_ITEMS);
    char error[512];
    const int count = read_geometry_text(path.c_str(), items.data(), error, sizeof error);
    if (count < 0) {
        report_failure(path, error);
        return;
    }
    if (count == 0) {
        report_failure(path, "holds no items");
        return;
    }
    for (int i = 0; i < count; ++i) {
        const std::string where = path + " item " + std::to_string(i + 1);
        const GeometryItem& g = items[static_cast<size_t>(i)];
        const int kind = g.kind;
        const int texture = g.texture;
        const double x = g.x, y = g.y, z = g.z, size = g.size;
        const bool upright = g.rx == -90.0f && g.ry == 0.0f && g.rz == 0.0f;
        if (!((kind == GEOMETRY_SPHERE && texture == 0) || (kind == GEOMETRY_CONE && texture == 0 && upright) ||
              (kind == GEOMETRY_BILLBOARD && texture >= 0 && texture <= 2)) ||
            !(size > 0.0)) {
            report_failure(where, "is not a sphere, an upright cone or a billboard of picture 0 to 2");
            return;
        }
        if (x < grid.x_min || x > grid.x_max || z < grid.z_min || z > grid.z_max) {
            report_failure(where, "lies off the terrain");
            return;
        }
        const double base = kind == GEOMETRY_BILLBOARD ? y - 0.8 * size : (kind == GEOMETRY_SPHERE ? y - size : y);
        const double ground = measure_drawn_height(m, grid, x, z);
        if (std::fabs(base - ground) > item_ground_tolerance) {
            char line[160];
            std::snprintf(line, sizeof line, "stands at %.2f where the ground is at %.2f", base, ground);
            report_failure(where, line);
            return;
        }
    }
    std::printf("ok   %s: %d items on the ground\n", path.c_str(), count);
}

void check_on_default_terrain(const std::string& dir) {
    model m;
    ground_grid grid;
    if (!load_model(dir + "/Default.obj", m)) {
        return;
    }
    if (!measure_grid(m, grid)) {
        report_failure(dir + "/Default.obj", "vertices do not form a grid");
        return;
    }
    for (const char* name : flythrough_names) {
        check_flythrough(dir + "/Flythrough/" + name, m, grid);
    }
    std::vector<std::string> layers;
    std::error_code code;
    for (const auto& entry : std::filesystem::directory_iterator(dir + "/Vector", code)) {
        if (entry.path().extension() == ".vec") {
            layers.push_back(entry.path().string());
        }
    }
    std::sort(layers.begin(), layers.end());
    if (layers.empty()) {
        report_failure(dir + "/Vector", "holds no sample layer");
    }
    for (const std::string& path : layers) {
        check_vector_layer(path, m, grid);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: check_world <world_dir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (const char* name : {"/Default.obj", "/DEM/Canyon.dem", "/DEM/Volcano.dem", "/DEM/Ranges.dem"}) {
        check_model(dir + name);
    }

    std::vector<unsigned char> pixels;
    if (check_image(dir + "/Default.raw", 256, 256, 3, pixels)) {
        check_lake_lines_up(dir + "/Default.obj", dir + "/Default.raw", pixels, 256);
    }
    if (check_image(dir + "/Map/Topo.raw", 512, 512, 3, pixels)) {
        check_lake_lines_up(dir + "/Default.obj", dir + "/Map/Topo.raw", pixels, 512);
    }
    check_image(dir + "/Drape/Relief.raw", 512, 512, 3, pixels);
    check_image(dir + "/Map/Slope.raw", 256, 256, 1, pixels);
    check_sky(dir);
    check_info(dir + "/Drape/Relief.info", 512, 512, 3);
    check_info(dir + "/Map/Topo.info", 512, 512, 3);
    check_info(dir + "/Map/Slope.info", 256, 256, 1);
    for (const char* folder : {"/Flythrough", "/Vector"}) {
        std::error_code code;
        if (!std::filesystem::is_directory(dir + folder, code)) {
            report_failure(dir + folder, "missing");
        }
    }
    check_on_default_terrain(dir);
    for (int i = 0; i < TRAY_PICTURE_COUNT; ++i) {
        check_overlay_picture(dir + "/navi_" + std::to_string(i) + ".raw", i);
    }
    check_handle(dir + "/side_0.raw");
    for (int i = 0; i < 3; ++i) {
        check_billboard(dir + "/bill_" + std::to_string(i) + ".raw");
    }
    std::printf("%s\n", failures == 0 ? "world ok" : "world has problems");
    return failures == 0 ? 0 : 1;
}

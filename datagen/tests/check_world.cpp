// Checks a generated world folder against what the viewer's loaders and first view need.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

const size_t longest_line = 98;  // the loader's line buffer holds 99 characters with the end
const int most_faces_per_vertex = 8;
const double start_clearance = 40.0;  // ground near the start point lies at least this far below the eye
const double start_radius = 150.0;
const double lake_level = -100.0;

struct model {
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> z;
    std::vector<double> s;
    std::vector<double> t;
    std::vector<long> corners;  // three 1-based vertex numbers per face
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

// A corner must read "a/a/a": the same vertex number three times.
bool parse_corner(const std::string& word, long& vertex) {
    long a = 0;
    long b = 0;
    long c = 0;
    char tail = 0;
    if (std::sscanf(word.c_str(), "%ld/%ld/%ld%c", &a, &b, &c, &tail) != 3 || a != b || a != c) {
        return false;
    }
    vertex = a;
    return true;
}

bool load_model(const std::string& path, model& m) {
    std::string content;
    if (!read_file(path, content)) {
        report_failure(path, "cannot be read");
        return false;
    }
    if (!content.empty() && content.back() != '\n') {
        report_failure(path, "last line does not end with a newline");
    }
    std::istringstream in(content);
    std::string line;
    int section = 0;  // 0: vertices, 1: texture coordinates, 2: faces
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = path + " line " + std::to_string(number);
        if (line.size() > longest_line) {
            report_failure(where, "too long");
            return false;
        }
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "v" && section == 0) {
            double x = 0;
            double y = 0;
            double z = 0;
            if (!(words >> x >> y >> z)) {
                report_failure(where, "bad vertex");
                return false;
            }
            m.x.push_back(x);
            m.y.push_back(y);
            m.z.push_back(z);
        } else if (kind == "vt" && section <= 1) {
            section = 1;
            double s = 0;
            double t = 0;
            if (!(words >> s >> t)) {
                report_failure(where, "bad texture coordinate");
                return false;
            }
            m.s.push_back(s);
            m.t.push_back(t);
        } else if (kind == "f" && section >= 1) {
            section = 2;
            for (int k = 0; k < 3; ++k) {
                std::string word;
                long vertex = 0;
                if (!(words >> word) || !parse_corner(word, vertex)) {
                    report_failure(where, "bad face corner");
                    return false;
                }
                m.corners.push_back(vertex);
            }
            std::string extra;
            if (words >> extra) {
                report_failure(where, "face has more than three corners");
                return false;
            }
        } else {
            report_failure(where, "unexpected line '" + line + "'");
            return false;
        }
    }
    return true;
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

    std::vector<int> faces_at(count, 0);
    for (size_t f = 0; f + 2 < m.corners.size(); f += 3) {
        size_t p[3];
        for (int k = 0; k < 3; ++k) {
            const long v = m.corners[f + static_cast<size_t>(k)];
            if (v < 1 || static_cast<size_t>(v) > count) {
                report_failure(path, "face refers to a missing vertex");
                return;
            }
            p[k] = static_cast<size_t>(v - 1);
            ++faces_at[p[k]];
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
    if (*std::max_element(faces_at.begin(), faces_at.end()) > most_faces_per_vertex) {
        report_failure(path,
                       "a vertex belongs to more than " + std::to_string(most_faces_per_vertex) + " faces");
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

void check_info(const std::string& path, const std::string& expected) {
    std::string content;
    if (!read_file(path, content) || content != expected) {
        report_failure(path, "should read '" + expected.substr(0, expected.size() - 1) + "'");
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
    check_info(dir + "/Drape/Relief.info", "512 512 3\n");
    check_info(dir + "/Map/Topo.info", "512 512 3\n");
    check_info(dir + "/Map/Slope.info", "256 256 1\n");
    for (const char* folder : {"/Flythrough", "/Vector"}) {
        std::error_code code;
        if (!std::filesystem::is_directory(dir + folder, code)) {
            report_failure(dir + folder, "missing");
        }
    }
    std::printf("%s\n", failures == 0 ? "world ok" : "world has problems");
    return failures == 0 ? 0 : 1;
}

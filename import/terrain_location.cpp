// Where an imported terrain lies, recorded beside it and read back when a track is laid on it.
#include "import/terrain_location.h"

#include <cpl_conv.h>
#include <ogr_srs_api.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

const char* const FIRST_LINE = "Kestrolane terrain location 1";

std::string format_double(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value + 0.0);  // + 0.0: never "-0"
    return text;
}

// The system as one line of WKT2, which keeps what WKT1 loses (datum
// ensembles, axis order); the text as given if OSR cannot read it.
std::string one_line_wkt(const std::string& wkt) {
    if (wkt.empty()) return "";
    std::string text = wkt;
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    char* in = const_cast<char*>(wkt.c_str());
    if (OSRImportFromWkt(srs, &in) == OGRERR_NONE) {
        const char* const options[] = {"FORMAT=WKT2_2019", "MULTILINE=NO", nullptr};
        char* out = nullptr;
        if (OSRExportToWktEx(srs, &out, options) == OGRERR_NONE && out) text = out;
        CPLFree(out);
    }
    OSRDestroySpatialReference(srs);
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

bool read_doubles(std::istringstream& in, double* values, int count) {
    for (int i = 0; i < count; ++i) {
        std::string word;
        if (!(in >> word)) return false;
        char* end = nullptr;
        values[i] = std::strtod(word.c_str(), &end);
        // An overflow reads as an infinity; an underflow (ERANGE too) is the
        // denormal the record was written with, and reads back as it.
        if (*end != '\0' || end == word.c_str() || !std::isfinite(values[i])) return false;
    }
    std::string extra;
    return !(in >> extra);
}

}  // namespace

std::string terrain_location_path(const std::string& world, const std::string& name) {
    return world + "/DEM/" + name + LOCATION_SUFFIX;
}

TerrainLocation locate_imported_terrain(const RasterFrame& frame, bool flip_columns, bool flip_rows, int columns,
                                        int rows, double width, double depth, double height_offset,
                                        double height_factor) {
    TerrainLocation location{};
    location.columns = columns;
    location.rows = rows;
    location.width = width;
    location.depth = depth;
    location.crs_wkt = one_line_wkt(frame.srs_wkt);
    location.height_offset = height_offset;
    location.height_factor = height_factor;
    // Raster pixel p = p0 + px * x and line l = l0 + lz * z: the grid spans
    // the whole raster, its middle at the origin, turned round where it was
    // read back to front.
    const double cells_x = frame.width, cells_y = frame.height;
    const double p0 = cells_x / 2.0, px = (flip_columns ? -cells_x : cells_x) / width;
    const double l0 = cells_y / 2.0, lz = (flip_rows ? -cells_y : cells_y) / depth;
    const double identity[6] = {0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    const double* gt = frame.has_geotransform ? frame.geotransform : identity;
    location.affine[0] = gt[0] + gt[1] * p0 + gt[2] * l0;
    location.affine[1] = gt[1] * px;
    location.affine[2] = gt[2] * lz;
    location.affine[3] = gt[3] + gt[4] * p0 + gt[5] * l0;
    location.affine[4] = gt[4] * px;
    location.affine[5] = gt[5] * lz;
    return location;
}

std::string format_terrain_location(const TerrainLocation& l) {
    std::string text = std::string(FIRST_LINE) + "\n";
    text += "# Terrain x runs east and z south, centred on the origin; y = (height - offset) * factor.\n";
    text += "# The raster's coordinates: X = a0 + a1 x + a2 z, Y = a3 + a4 x + a5 z.\n";
    text += "grid " + std::to_string(l.columns) + " " + std::to_string(l.rows) + "\n";
    text += "extent " + format_double(l.width) + " " + format_double(l.depth) + "\n";
    text += "affine";
    for (double a : l.affine) text += " " + format_double(a);
    text += "\nheights " + format_double(l.height_offset) + " " + format_double(l.height_factor) + "\n";
    text += "crs " + (l.crs_wkt.empty() ? std::string("none") : l.crs_wkt) + "\n";
    return text;
}

bool parse_terrain_location(const std::string& text, TerrainLocation* location, std::string* error) {
    TerrainLocation l{};
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != FIRST_LINE) {
        *error = "it does not start with \"" + std::string(FIRST_LINE) + "\"";
        return false;
    }
    bool has_grid = false, has_extent = false, has_affine = false, has_heights = false, has_crs = false;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        std::istringstream in(rest);
        bool ok = true;
        if (key == "grid") {
            double v[2] = {0.0, 0.0};
            ok = read_doubles(in, v, 2) && v[0] >= 2 && v[1] >= 2 && v[0] <= 1e6 && v[1] <= 1e6 &&
                 v[0] == std::floor(v[0]) && v[1] == std::floor(v[1]);
            l.columns = ok ? (int)v[0] : 0;
            l.rows = ok ? (int)v[1] : 0;
            has_grid = ok;
        } else if (key == "extent") {
            double v[2] = {0.0, 0.0};
            ok = has_extent = read_doubles(in, v, 2) && v[0] > 0.0 && v[1] > 0.0;
            l.width = v[0];
            l.depth = v[1];
        } else if (key == "affine") {
            ok = has_affine = read_doubles(in, l.affine, 6);
        } else if (key == "heights") {
            double v[2] = {0.0, 0.0};
            ok = has_heights = read_doubles(in, v, 2) && v[1] > 0.0;
            l.height_offset = v[0];
            l.height_factor = v[1];
        } else if (key == "crs") {
            l.crs_wkt = rest == "none" ? "" : rest;
            ok = has_crs = !rest.empty();
        }
        if (!ok) {
            *error = "its " + key + " line is malformed";
            return false;
        }
    }
    const char* missing = !has_grid      ? "grid"
                          : !has_extent  ? "extent"
                          : !has_affine  ? "affine"
                          : !has_heights ? "heights"
                          : !has_crs     ? "crs"
                                         : nullptr;
    if (missing) {
        *error = "it has no " + std::string(missing) + " line";
        return false;
    }
    *location = l;
    return true;
}

bool read_terrain_location(const std::string& path, TerrainLocation* location, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        *error = errno == ENOENT ? "'" + path +
                                       "' is missing: the terrain was imported without its location; import its "
                                       "raster again to lay tracks on it"
                                 : "cannot read '" + path + "': " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buffer[4096];
    size_t got;
    // A record is a few hundred bytes; anything far larger is not one.
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < (1u << 20)) text.append(buffer, got);
    std::fclose(file);
    std::string why;
    if (!parse_terrain_location(text, location, &why)) {
        *error = "'" + path + "' is not a terrain location (" + why + "); import the raster again";
        return false;
    }
    return true;
}

void locate_in_raster_crs(const TerrainLocation& l, double x, double z, double* crs_x, double* crs_y) {
    *crs_x = l.affine[0] + l.affine[1] * x + l.affine[2] * z;
    *crs_y = l.affine[3] + l.affine[4] * x + l.affine[5] * z;
}

bool locate_on_terrain(const TerrainLocation& l, double crs_x, double crs_y, double* x, double* z) {
    const double det = l.affine[1] * l.affine[5] - l.affine[2] * l.affine[4];
    if (!(std::fabs(det) > 0.0) || !std::isfinite(det)) return false;
    const double dx = crs_x - l.affine[0], dy = crs_y - l.affine[3];
    *x = (l.affine[5] * dx - l.affine[2] * dy) / det;
    *z = (-l.affine[4] * dx + l.affine[1] * dy) / det;
    return true;
}

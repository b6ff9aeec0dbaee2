// Ground sizes in metres of a raster's cells, whatever its coordinate system.
#include "import/ground_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <ogr_srs_api.h>

namespace {

constexpr double DEGREE = M_PI / 180.0;

std::string describe(const char* format, double a) {
    char text[128];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

}  // namespace

void measure_radian_on_ellipsoid(double latitude, double semi_major, double inverse_flattening, double* east_metres,
                                 double* north_metres) {
    const double flattening = inverse_flattening > 0.0 ? 1.0 / inverse_flattening : 0.0;
    const double e2 = flattening * (2.0 - flattening);
    const double s = std::sin(latitude);
    const double w = std::sqrt(1.0 - e2 * s * s);
    const double prime_vertical = semi_major / w;                    // radius of curvature across the meridian
    const double meridional = semi_major * (1.0 - e2) / (w * w * w);  // radius of curvature along it
    *east_metres = prime_vertical * std::cos(latitude);
    *north_metres = meridional;
}

bool measure_cell_size(const RasterFrame& frame, double override_metres, CellSize* cell, std::string* error) {
    const double* gt = frame.geotransform;
    // Every coefficient places the terrain (its location record is read back
    // by the track tools), so none may be NaN or infinite, not even the origin.
    if (frame.has_geotransform && !std::all_of(gt, gt + 6, [](double v) { return std::isfinite(v); })) {
        *error = "the raster's geotransform holds a number that is not finite";
        return false;
    }
    if (override_metres > 0.0) {
        cell->east = cell->south = override_metres;
        cell->basis = describe("cells of %g m as given", override_metres);
        return true;
    }
    // Lengths of a cell's sides in coordinate units; a rotated grid keeps its cell sizes.
    const double along_row = frame.has_geotransform ? std::hypot(gt[1], gt[4]) : 1.0;
    const double along_column = frame.has_geotransform ? std::hypot(gt[2], gt[5]) : 1.0;
    if (!(along_row > 0.0) || !(along_column > 0.0) || !std::isfinite(along_row) || !std::isfinite(along_column)) {
        *error = "the raster's cell size is zero or not a number";
        return false;
    }
    if (frame.srs_wkt.empty()) {
        cell->east = along_row;
        cell->south = along_column;
        cell->basis = frame.has_geotransform ? "no coordinate system: cell sizes taken as metres"
                                             : "no georeferencing: cells taken as 1 m";
        return true;
    }
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    char* wkt = const_cast<char*>(frame.srs_wkt.c_str());
    if (OSRImportFromWkt(srs, &wkt) != OGRERR_NONE) {
        OSRDestroySpatialReference(srs);
        *error = "the raster's coordinate system cannot be read";
        return false;
    }
    bool ok = true;
    if (OSRIsGeographic(srs)) {
        // Degrees (or another angle) become metres at the centre latitude.
        char* unit_name = nullptr;
        const double radians_per_unit = OSRGetAngularUnits(srs, &unit_name);
        OGRErr status = OGRERR_NONE;
        const double semi_major = OSRGetSemiMajor(srs, &status);
        const double inverse_flattening = OSRGetInvFlattening(srs, &status);
        const double centre_y = frame.has_geotransform
                                    ? gt[3] + gt[4] * frame.width / 2.0 + gt[5] * frame.height / 2.0
                                    : 0.0;
        const double latitude = centre_y * radians_per_unit;
        if (!(radians_per_unit > 0.0) || !(semi_major > 0.0) || !(std::fabs(latitude) <= M_PI / 2.0)) {
            *error = "the raster's geographic coordinates are out of range";
            ok = false;
        } else {
            double east = 0.0, north = 0.0;
            measure_radian_on_ellipsoid(latitude, semi_major, inverse_flattening, &east, &north);
            // Near a pole a degree of longitude shrinks to nothing; keep cells usable.
            east = std::max(east, north * 1e-3);
            cell->east = along_row * radians_per_unit * east;
            cell->south = along_column * radians_per_unit * north;
            cell->basis = describe("geographic, converted at latitude %.2f", latitude / DEGREE);
        }
    } else {
        // Projected and local systems carry a linear unit; metres when unnamed.
        char* unit_name = nullptr;
        double metres_per_unit = OSRGetLinearUnits(srs, &unit_name);
        if (!(metres_per_unit > 0.0)) metres_per_unit = 1.0;
        cell->east = along_row * metres_per_unit;
        cell->south = along_column * metres_per_unit;
        cell->basis = std::string(OSRIsProjected(srs) ? "projected" : "local") + ", in " +
                      (unit_name && *unit_name ? unit_name : "metre");
    }
    OSRDestroySpatialReference(srs);
    return ok;
}

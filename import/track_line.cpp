// Reading a track through GDAL's vector drivers: its line and waypoints, placed on a terrain.
#include "import/track_line.h"

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <cstring>

#include "files/terrain_writer.h"
#include "import/elevation_raster.h"
#include "import/ground_scale.h"

namespace {

// Coordinates as the file holds them, before placing.
struct RawPart {
    std::vector<double> x, y;
    std::vector<long long> index;  // each point's place among all the layer's line points as the file lists them
};

// What one layer holds.
struct LayerContents {
    std::string name;
    OGRSpatialReferenceH srs;  // the layer's, borrowed; null when it names none
    std::vector<RawPart> lines;
    RawPart points;
    std::vector<std::string> point_names;
    long long unfinite_line_points;  // points of its lines left out for a coordinate that is no number
    long long line_points;           // points of its lines as the file lists them, repeats and all
    long long unfinite_points;       // point features left out so
};

void add_line(OGRGeometryH line, LayerContents* layer) {
    const int n = OGR_G_GetPointCount(line);
    RawPart part;
    for (int i = 0; i < n; ++i) {
        const double x = OGR_G_GetX(line, i), y = OGR_G_GetY(line, i);
        const long long index = layer->line_points++;
        if (!std::isfinite(x) || !std::isfinite(y)) {
            ++layer->unfinite_line_points;
            continue;
        }
        if (!part.x.empty() && part.x.back() == x && part.y.back() == y) continue;  // a repeated fix
        part.x.push_back(x);
        part.y.push_back(y);
        part.index.push_back(index);
    }
    if (part.x.size() >= 2) layer->lines.push_back(std::move(part));
}

// Lines and points of a geometry, collections and curves included.
void collect_geometry(OGRGeometryH g, const std::string& name, LayerContents* layer) {
    if (!g || OGR_G_IsEmpty(g)) return;
    switch (wkbFlatten(OGR_G_GetGeometryType(g))) {
        case wkbPoint:
            if (std::isfinite(OGR_G_GetX(g, 0)) && std::isfinite(OGR_G_GetY(g, 0))) {
                layer->points.x.push_back(OGR_G_GetX(g, 0));
                layer->points.y.push_back(OGR_G_GetY(g, 0));
                layer->point_names.push_back(name);
            } else {
                ++layer->unfinite_points;
            }
            return;
        case wkbLineString:
        case wkbLinearRing:
            add_line(g, layer);
            return;
        case wkbMultiPoint:
        case wkbMultiLineString:
        case wkbGeometryCollection:
        case wkbMultiCurve:
            for (int i = 0; i < OGR_G_GetGeometryCount(g); ++i)
                collect_geometry(OGR_G_GetGeometryRef(g, i), name, layer);
            return;
        case wkbCircularString:
        case wkbCompoundCurve: {
            OGRGeometryH linear = OGR_G_GetLinearGeometry(g, 0.0, nullptr);
            collect_geometry(linear, name, layer);
            if (linear) OGR_G_DestroyGeometry(linear);
            return;
        }
        default:
            return;  // areas and surfaces are no track
    }
}

std::string feature_name(OGRFeatureH feature) {
    for (const char* field : {"name", "Name", "NAME"}) {
        const int i = OGR_F_GetFieldIndex(feature, field);
        if (i >= 0 && OGR_F_IsFieldSetAndNotNull(feature, i)) return OGR_F_GetFieldAsString(feature, i);
    }
    return "";
}

LayerContents read_layer(OGRLayerH layer) {
    LayerContents contents{};
    contents.name = OGR_L_GetName(layer);
    contents.srs = OGR_L_GetSpatialRef(layer);
    OGR_L_ResetReading(layer);
    while (OGRFeatureH feature = OGR_L_GetNextFeature(layer)) {
        OGRGeometryH g = OGR_F_GetGeometryRef(feature);
        const bool point = g && (wkbFlatten(OGR_G_GetGeometryType(g)) == wkbPoint ||
                                 wkbFlatten(OGR_G_GetGeometryType(g)) == wkbMultiPoint);
        collect_geometry(g, point ? feature_name(feature) : "", &contents);
        OGR_F_Destroy(feature);
    }
    return contents;
}

// The largest magnitudes of x and y that name a place in `srs`: a geographic
// system's longitude within a turn either way and latitude within the poles,
// anything else within FARTHEST_COORDINATE. PROJ can search for minutes
// carrying a point from beyond (a longitude of 1e308), so every point is held
// to these before it is transformed.
void measure_coordinate_bounds(OGRSpatialReferenceH srs, double* most_x, double* most_y) {
    *most_x = *most_y = FARTHEST_COORDINATE;
    if (!OSRIsGeographic(srs)) return;
    const double radians_per_unit = OSRGetAngularUnits(srs, nullptr);
    if (!(radians_per_unit > 0.0) || !std::isfinite(radians_per_unit)) return;
    const double units_per_degree = M_PI / 180.0 / radians_per_unit;
    *most_x = 360.0 * units_per_degree;
    *most_y = 90.0 * units_per_degree;
}

std::string crs_name(OGRSpatialReferenceH srs) {
    const char* name = OSRGetName(srs);
    return name && *name ? name : "its coordinate system";
}

// Brings coordinates from `from` (null: none named) into terrain x/z. False
// with a message when they cannot be matched; points out of the system's
// range, that do not transform, or that land beyond any terrain become NaN.
bool place_points(OGRSpatialReferenceH from, const TerrainLocation& location, const RawPart& raw,
                  std::vector<TrackPoint>* placed, std::string* placement, std::string* error) {
    std::vector<double> x = raw.x, y = raw.y;
    std::vector<int> ok(x.size(), TRUE);
    std::vector<char> beyond(x.size(), 0);  // 1: out of the source system's range, never transformed
    if (from && location.crs_wkt.empty()) {
        *error = "the track is in " + crs_name(from) +
                 " but the terrain's raster names no coordinate system, so the track cannot be placed on it";
        return false;
    }
    if (!from) {
        *placement = location.crs_wkt.empty() ? "in the raster's grid units (neither names a coordinate system)"
                                              : "taken as the raster's coordinate system (the track names none)";
    } else {
        OGRSpatialReferenceH source = OSRClone(from);
        OGRSpatialReferenceH target = OSRNewSpatialReference(nullptr);
        char* wkt = const_cast<char*>(location.crs_wkt.c_str());
        OGRCoordinateTransformationH transform = nullptr;
        if (OSRImportFromWkt(target, &wkt) == OGRERR_NONE) {
            // Longitude (or easting) first on both sides, as GDAL's geotransforms have it.
            OSRSetAxisMappingStrategy(source, OAMS_TRADITIONAL_GIS_ORDER);
            OSRSetAxisMappingStrategy(target, OAMS_TRADITIONAL_GIS_ORDER);
            transform = OCTNewCoordinateTransformation(source, target);
        }
        const bool same = OSRIsSame(source, target);
        *placement = same ? "in the raster's coordinate system"
                          : "transformed from " + crs_name(source) + " to the raster's " + crs_name(target);
        OSRDestroySpatialReference(source);
        OSRDestroySpatialReference(target);
        if (!transform) {
            *error = "cannot transform the track from " + crs_name(from) +
                     " to the terrain's coordinate system: " + describe_gdal_error("no transformation known");
            return false;
        }
        // Points beyond the system are left out of the transformation (a
        // harmless stand-in goes in their place) and marked as not placed.
        double most_x = 0.0, most_y = 0.0;
        measure_coordinate_bounds(from, &most_x, &most_y);
        for (size_t i = 0; i < x.size(); ++i)
            if (!(std::fabs(x[i]) <= most_x && std::fabs(y[i]) <= most_y)) {
                beyond[i] = 1;
                x[i] = y[i] = 0.0;
            }
        if (!x.empty()) OCTTransformEx(transform, (int)x.size(), x.data(), y.data(), nullptr, ok.data());
        OCTDestroyCoordinateTransformation(transform);
    }
    placed->resize(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        TrackPoint& p = (*placed)[i];
        if (beyond[i] || !ok[i] || !std::isfinite(x[i]) || !std::isfinite(y[i]) ||
            !locate_on_terrain(location, x[i], y[i], &p.x, &p.z) ||
            !(std::fabs(p.x) < LARGEST_COORDINATE && std::fabs(p.z) < LARGEST_COORDINATE))
            p.x = p.z = NAN;
    }
    return true;
}

// GPX repeats each track and route point as a point feature of its own, in
// layers track_points and route_points whose features name their place on
// the line; a file converted from GPX (a GeoPackage, a shapefile) keeps
// them. They are the line's points, never waypoints.
bool repeats_line_points(OGRLayerH layer, const std::string& name) {
    if (name == "track_points" || name == "route_points") return true;
    OGRFeatureDefnH fields = OGR_L_GetLayerDefn(layer);
    return OGR_FD_GetFieldIndex(fields, "track_seg_point_id") >= 0 || OGR_FD_GetFieldIndex(fields, "route_point_id") >= 0;
}

// Seconds since 1970 of a civil date and time in UTC.
double count_seconds(int year, int month, int day, int hour, int minute, double second) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int year_of_era = y - era * 400;
    const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    const double days = era * 146097.0 + day_of_era - 719468.0;
    return days * 86400.0 + hour * 3600.0 + minute * 60.0 + second;
}

// The times of the points of layer `name` (GPX's track_points or
// route_points, or a file converted from GPX) in the order the file lists
// them, NaN where a point has none; empty when the layer or its time field
// is missing.
std::vector<double> read_point_times(GDALDatasetH dataset, const char* name) {
    std::vector<double> times;
    OGRLayerH layer = GDALDatasetGetLayerByName(dataset, name);
    if (!layer) return times;
    const int field = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer), "time");
    if (field < 0) return times;
    OGR_L_ResetReading(layer);
    while (OGRFeatureH feature = OGR_L_GetNextFeature(layer)) {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, zone = 0;
        float second = 0.0f;
        double t = NAN;
        if (OGR_F_IsFieldSetAndNotNull(feature, field) &&
            OGR_F_GetFieldAsDateTimeEx(feature, field, &year, &month, &day, &hour, &minute, &second, &zone) &&
            month >= 1 && month <= 12 && day >= 1 && day <= 31 && year > 0 && year < 10000) {
            t = count_seconds(year, month, day, hour, minute, second);
            if (zone > 100) t -= (zone - 100) * 15.0 * 60.0;  // a stated offset east of UTC
            else if (zone > 1 && zone < 100) t = NAN;          // not a zone GDAL names
        }
        times.push_back(t);
        OGR_F_Destroy(feature);
    }
    return times;
}

}  // namespace

bool read_track_line(const std::string& path, const std::string& layer_name, const TerrainLocation& location,
                     TrackLine* track, std::string* error) {
    *track = TrackLine{};
    CPLErrorReset();
    GDALDatasetH dataset = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!dataset) {
        *error = "cannot read track '" + path + "': " + describe_gdal_error("not a vector file GDAL can read");
        return false;
    }
    const bool gpx = std::strcmp(GDALGetDriverShortName(GDALGetDatasetDriver(dataset)), "GPX") == 0;
    std::vector<LayerContents> layers;
    std::string all_names;
    for (int i = 0; i < GDALDatasetGetLayerCount(dataset); ++i) {
        OGRLayerH layer = GDALDatasetGetLayer(dataset, i);
        const std::string name = OGR_L_GetName(layer);
        all_names += (all_names.empty() ? "" : ", ") + name;
        if (repeats_line_points(layer, name)) continue;
        layers.push_back(read_layer(layer));
    }
    const LayerContents* chosen = nullptr;
    std::string with_lines;
    int line_layers = 0;
    for (const LayerContents& l : layers) {
        if (!layer_name.empty() ? l.name == layer_name : !l.lines.empty()) {
            chosen = chosen ? chosen : &l;
        }
        if (!l.lines.empty()) {
            ++line_layers;
            with_lines += (with_lines.empty() ? "" : ", ") + l.name;
        }
    }
    std::string refusal;
    if (!layer_name.empty() && !chosen)
        refusal = "track '" + path + "' has no layer '" + layer_name + "' (it has: " + all_names + ")";
    else if (chosen && chosen->lines.empty())
        refusal = "layer '" + layer_name + "' of track '" + path + "' holds no line" +
                  (with_lines.empty() ? "" : " (lines are in: " + with_lines + ")");
    else if (!chosen)
        refusal = "track '" + path + "' holds no line of two points or more (a GPX track or route, a line string)";
    else if (layer_name.empty() && line_layers > 1)
        refusal = "track '" + path + "' holds lines in several layers (" + with_lines + "); choose one with --layer";
    if (!refusal.empty()) {
        GDALClose(dataset);
        *error = refusal;
        return false;
    }

    // A point that cannot be placed is left out and its neighbours joined;
    // only a track left without two points on one line is refused.
    track->layer = chosen->name;
    char** files = GDALGetFileList(dataset);
    for (char** file = files; file && *file; ++file) track->files.push_back(*file);
    CSLDestroy(files);
    if (track->files.empty()) track->files.push_back(path);
    track->dropped_points = chosen->unfinite_line_points;
    // A GPX line's times are on its points, listed again in a layer of their own.
    const std::vector<double> times = read_point_times(
        dataset, chosen->name == "routes" ? "route_points" : chosen->name == "tracks" ? "track_points" : "");
    const bool timed = (long long)times.size() == chosen->line_points;
    bool ok = true;
    bool has_line = false;
    for (const RawPart& raw : chosen->lines) {
        std::vector<TrackPoint> placed, part;
        ok = ok && place_points(chosen->srs, location, raw, &placed, &track->placement, error);
        for (size_t i = 0; i < placed.size(); ++i)
            if (std::isfinite(placed[i].x)) {
                part.push_back(placed[i]);
                if (timed) part.back().t = times[(size_t)raw.index[i]];
            } else {
                ++track->dropped_points;
            }
        has_line = has_line || part.size() >= 2;
        track->point_count += (long long)part.size();
        track->parts.push_back(std::move(part));
    }
    if (ok && !has_line) {
        *error = "no line of track '" + path + "' keeps two points that can be placed: " +
                 std::to_string(track->dropped_points) + " of its " +
                 std::to_string(track->dropped_points + track->point_count) +
                 " points lie beyond their coordinate system or cannot be brought into the terrain's";
        ok = false;
    }
    // Waypoints: GPX's own, or the point features of any other format.
    for (const LayerContents& l : layers) {
        if (!ok || (gpx && l.name != "waypoints")) continue;
        track->dropped_waypoints += l.unfinite_points;
        if (l.points.x.empty()) continue;
        std::vector<TrackPoint> placed;
        std::string placement;
        ok = place_points(l.srs, location, l.points, &placed, &placement, error);
        for (size_t i = 0; ok && i < placed.size(); ++i)
            if (std::isfinite(placed[i].x)) track->waypoints.push_back({placed[i], l.point_names[i]});
            else ++track->dropped_waypoints;
    }
    GDALClose(dataset);
    return ok;
}

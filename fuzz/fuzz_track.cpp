// Fuzz target: tracks laid on imported terrains. Each input builds a track in
// GDAL's in-memory files (/vsimem/) as GeoJSON, GPX or KML, in one of several
// coordinate systems, with points out of range, NaN, duplicates and large
// counts, and reads it onto one of three terrains the start-up imports (in a
// projected system, in a geographic one, and in none); what is read becomes
// a flight path, a planned flight, marks and a drape line, and sometimes the
// whole --track command runs into the scratch world. The input may also end
// in the text of a .location record.
//
// The input, byte by byte (missing bytes read as 0):
//   0  bits 0-1 format (GeoJSON, GPX, KML, GeoJSON); 2 waypoints; 3 several
//      parts; 4 a second line layer (GPX routes, a second GeoJSON file is not
//      made); 5-6 the layer asked for ("", the first, the second, a missing one);
//      7 the whole --track command
//   1  bits 0-1 the terrain (projected, geographic, none, projected); 2-3 the
//      GeoJSON's system (none: WGS 84, web Mercator, UTM 32N, WGS 84 named)
//   2  points - 1 (up to 256), 3 repeats of each point (0..7; from 0xf8 on,
//      the line is stretched to 5,000 points)
//   4  bit 0: read the rest as a .location record instead of points
//   then two bytes a point (across, along the area the terrains cover; from
//   0xf0 on a value of SPECIAL in that coordinate), or the record's text
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include "fuzz/fuzz_support.h"
#include "import/import_run.h"
#include "import/terrain_ground.h"
#include "import/terrain_location.h"
#include "import/track_flight.h"
#include "import/track_line.h"
#include "import/track_marks.h"
#include "import/track_run.h"
#include "state/viewer_state.h"

namespace {

const double SPECIAL[16] = {NAN, INFINITY, -INFINITY, 1e308, -1e308, 1e10, -1e10, 0.0,
                            1e-300, 90.000001, -90.5, 180.5, -181.0, 360.0, 1e5, 0.5};

// Where the terrains lie, in each system a track may come in: the centre
// and the span of the area the point bytes cover (a little beyond the terrain).
struct Area {
    const char* srs;  // for GeoJSON's "crs" member; "" for none (WGS 84)
    double centre_x, centre_y, span_x, span_y;
};
const Area AREAS[4] = {
    {"", 7.7393, 46.0691, 0.09, 0.065},
    {"EPSG:3857", 861531.0, 5791433.0, 10000.0, 10000.0},
    {"EPSG:32632", 402500.0, 5102500.0, 7000.0, 7000.0},
    {"EPSG:4326", 7.7393, 46.0691, 0.09, 0.065},
};

const char* const TERRAINS[3] = {"hill", "geo", "plain"};
const std::string FOLDER = "/vsimem/track-fuzz";

std::string world;
FILE* discard;

// A 24 x 24 raster of a hill in `srs` ("" none) over `bounds` (west, south,
// east, north), imported into the world as `name`.
void import_terrain(const char* name, const char* srs, const double bounds[4]) {
    const int side = 24;
    std::string path = FOLDER + "/" + name + ".tif";
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), side, side, 1, GDT_Float32, nullptr);
    fuzz_require(ds != nullptr, "the terrain's raster is made");
    double gt[6] = {bounds[0], (bounds[2] - bounds[0]) / side, 0, bounds[3], 0, -(bounds[3] - bounds[1]) / side};
    GDALSetGeoTransform(ds, gt);
    if (*srs) {
        OGRSpatialReferenceH ref = OSRNewSpatialReference(nullptr);
        char* wkt = nullptr;
        OSRSetFromUserInput(ref, srs);
        OSRExportToWkt(ref, &wkt);
        GDALSetProjection(ds, wkt);
        CPLFree(wkt);
        OSRDestroySpatialReference(ref);
    }
    std::vector<float> heights(side * side);
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            heights[r * side + c] = 1000.0f + 300.0f * std::sin(c * 0.3f) * std::cos(r * 0.25f);
    fuzz_require(GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, side, side, heights.data(), side, side,
                              GDT_Float32, 0, 0) == CE_None,
                 "the terrain's heights are written");
    GDALClose(ds);
    ImportOptions options{};
    options.elevation_path = path;
    options.world = world;
    options.name = name;
    options.exaggeration = 1.0;
    if (!*srs) options.cell_size = 200.0;
    fuzz_require(run_import(options, discard, discard) == 0, "the terrain imports");
}

double coordinate(uint8_t b, double centre, double span) {
    return b >= 0xf0 ? SPECIAL[b - 0xf0] : centre + span * ((b / 239.0) - 0.5);
}

std::string number(double v) {
    char text[40];
    snprintf(text, sizeof text, "%.10g", v);
    return text;  // "nan" and "inf" are what a broken exporter writes
}

struct TrackInput {
    int format;                    // 0 GeoJSON, 1 GPX, 2 KML
    bool waypoints, parts, routes;
    const Area* area;
    std::vector<double> x, y;      // the line's points
};

std::string make_geojson(const TrackInput& t) {
    std::string text = "{\"type\":\"FeatureCollection\",";
    if (*t.area->srs)
        text += std::string("\"crs\":{\"type\":\"name\",\"properties\":{\"name\":\"") + t.area->srs + "\"}},";
    text += "\"features\":[{\"type\":\"Feature\",\"properties\":{\"name\":\"walk\"},\"geometry\":{";
    size_t half = t.parts ? t.x.size() / 2 : t.x.size();
    auto points = [&](size_t from, size_t to) {
        std::string s = "[";
        for (size_t i = from; i < to; ++i) s += (i > from ? ",[" : "[") + number(t.x[i]) + "," + number(t.y[i]) + "]";
        return s + "]";
    };
    if (t.parts) text += "\"type\":\"MultiLineString\",\"coordinates\":[" + points(0, half) + "," + points(half, t.x.size()) + "]";
    else text += "\"type\":\"LineString\",\"coordinates\":" + points(0, t.x.size());
    text += "}}";
    if (t.waypoints && !t.x.empty())
        text += ",{\"type\":\"Feature\",\"properties\":{\"name\":\"Summit\"},\"geometry\":{\"type\":\"Point\","
                "\"coordinates\":[" + number(t.x[t.x.size() / 2]) + "," + number(t.y[t.y.size() / 2]) + "]}}";
    return text + "]}";
}

std::string make_gpx(const TrackInput& t) {
    std::string text = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"fuzz\" "
                       "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    if (t.waypoints && !t.x.empty())
        text += "<wpt lat=\"" + number(t.y[0]) + "\" lon=\"" + number(t.x[0]) + "\"><name>Start</name></wpt>\n";
    auto points = [&](const char* tag, size_t from, size_t to) {
        std::string s;
        for (size_t i = from; i < to; ++i)
            s += std::string("<") + tag + " lat=\"" + number(t.y[i]) + "\" lon=\"" + number(t.x[i]) + "\"/>\n";
        return s;
    };
    size_t half = t.parts ? t.x.size() / 2 : t.x.size();
    text += "<trk><name>walk</name><trkseg>\n" + points("trkpt", 0, half) + "</trkseg>\n";
    if (t.parts) text += "<trkseg>\n" + points("trkpt", half, t.x.size()) + "</trkseg>\n";
    text += "</trk>\n";
    if (t.routes) text += "<rte><name>plan</name>\n" + points("rtept", 0, t.x.size()) + "</rte>\n";
    return text + "</gpx>\n";
}

std::string make_kml(const TrackInput& t) {
    std::string text = "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>\n";
    auto line = [&](size_t from, size_t to) {
        std::string s = "<LineString><coordinates>";
        for (size_t i = from; i < to; ++i) s += number(t.x[i]) + "," + number(t.y[i]) + ",0 ";
        return s + "</coordinates></LineString>";
    };
    size_t half = t.parts ? t.x.size() / 2 : t.x.size();
    text += "<Placemark><name>walk</name>";
    if (t.parts) text += "<MultiGeometry>" + line(0, half) + line(half, t.x.size()) + "</MultiGeometry>";
    else text += line(0, t.x.size());
    text += "</Placemark>\n";
    if (t.waypoints && !t.x.empty())
        text += "<Placemark><name>Hut</name><Point><coordinates>" + number(t.x.back()) + "," + number(t.y.back()) +
                ",0</coordinates></Point></Placemark>\n";
    return text + "</Document></kml>\n";
}

void write_memory_file(const std::string& path, const std::string& text) {
    VSILFILE* f = VSIFOpenL(path.c_str(), "wb");
    fuzz_require(f != nullptr, "an in-memory file opens");
    VSIFWriteL(text.data(), 1, text.size(), f);
    VSIFCloseL(f);
}

// What a track that was read promises, and the flight, marks and line made from it.
void use_track(const TrackLine& track, const TerrainGround& ground) {
    long long placed = 0;
    for (const std::vector<TrackPoint>& part : track.parts) {
        placed += (long long)part.size();
        for (const TrackPoint& p : part) fuzz_require(std::isfinite(p.x) && std::isfinite(p.z), "placed points are finite");
    }
    fuzz_require(placed == track.point_count, "the count of placed points is the parts'");
    fuzz_require(track.dropped_points >= 0 && track.dropped_waypoints >= 0, "dropped points are counted");
    for (const TrackWaypoint& w : track.waypoints)
        fuzz_require(std::isfinite(w.at.x) && std::isfinite(w.at.z), "placed waypoints are finite");

    FlightPath path;
    if (!build_flight_path(track, ground.width, ground.depth, &path)) return;
    fuzz_require(path.x.size() == path.z.size() && path.x.size() == path.s.size() &&
                     path.on_track.size() + 1 == path.x.size(),
                 "a path's arrays agree");
    for (size_t i = 0; i < path.x.size(); ++i) {
        fuzz_require(std::fabs(path.x[i]) <= ground.width / 2 * (1 + 1e-9) + 1e-9 &&
                         std::fabs(path.z[i]) <= ground.depth / 2 * (1 + 1e-9) + 1e-9,
                     "a path stays on the terrain");
        fuzz_require(i == 0 || path.s[i] >= path.s[i - 1], "distance along a path only grows");
    }
    FlightSettings settings;
    settings.cell = ground_cell_size(ground);
    settings.above = 150.0;
    // Fast enough for at most a few hundred frames, so that a run stays short.
    settings.speed_steps = std::max(least_speed_steps(path.s.back()), (int)std::min(1e6, path.s.back() / 0.1 / 300.0));
    FlightReport report;
    if (plan_flight(path, ground, settings, &report)) {
        fuzz_require(report.samples >= 1 && report.samples <= 8000, "a flight fits its file");
        fuzz_require(std::isfinite(report.flown_length) && std::isfinite(report.max_distance), "a flight is measured");
    }
    reset_viewer_state();
    TrackMarks marks = place_track_marks(path, track.waypoints, ground);
    fuzz_require(marks.cones >= 0 && marks.billboards >= 0 && marks.left_out >= 0, "marks are counted");
    reset_viewer_state();
    std::vector<uint8_t> rgb(32 * 24 * 3, 0);
    paint_track_line(&rgb, 32, 24, track, ground.width, ground.depth);
}

// The whole command into the scratch world; it writes all of its files or none.
void run_whole_track(const std::string& track_path, const std::string& layer, const char* terrain) {
    ImportOptions options{};
    options.track_path = track_path;
    options.world = world;
    options.onto = terrain;
    options.layer = layer;
    options.above = 150.0;
    options.speed = 25.0;  // metres a frame: a few hundred frames at most on these terrains
    options.exaggeration = 1.0;
    reset_viewer_state();
    int status = run_track(options, discard, discard);
    std::string flight = world + "/Flythrough/walk.flt", marks = world + "/Vector/walk.vec";
    bool has_flight = access(flight.c_str(), F_OK) == 0, has_marks = access(marks.c_str(), F_OK) == 0;
    fuzz_require(has_flight == has_marks, "a track run writes all of its files or none");
    fuzz_require(status == 0 || !has_flight, "a refused track run writes nothing");
    unlink(flight.c_str());
    unlink(marks.c_str());
    unlink((world + "/Drape/" + terrain + "+walk.raw").c_str());
    unlink((world + "/Drape/" + terrain + "+walk.info").c_str());
    reset_viewer_state();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    GDALAllRegister();
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    CPLPushErrorHandler(CPLQuietErrorHandler);
    world = fuzz_scratch_dir() + "/world";
    for (const char* folder : {"", "/DEM", "/Drape", "/Map", "/Flythrough", "/Vector"})
        fuzz_require(mkdir((world + folder).c_str(), 0755) == 0, "world made");
    discard = getenv("KESTROLANE_FUZZ_VERBOSE") ? stderr : fopen("/dev/null", "w");
    fuzz_require(discard != nullptr, "/dev/null opens");
    const double utm[4] = {400000.0, 5100000.0, 405000.0, 5105000.0};
    const double lonlat[4] = {7.71, 46.045, 7.77, 46.09};
    import_terrain("hill", "EPSG:32632", utm);
    import_terrain("geo", "EPSG:4326", lonlat);
    import_terrain("plain", "", utm);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in = {data, size, 0};
    const uint8_t flags = in.byte(), place = in.byte(), count = in.byte(), repeats = in.byte(), kind = in.byte();
    const char* terrain = TERRAINS[(place & 3) == 3 ? 0 : place & 3];
    TerrainLocation location;
    TerrainGround ground;
    std::string error;
    std::string dem = world + "/DEM/" + terrain;
    fuzz_require(read_terrain_location(dem + ".location", &location, &error), "an imported terrain has a location");
    fuzz_require(read_terrain_ground(dem + ".dem", location, &ground, &error), "an imported terrain reads");

    if (kind & 1) {
        // A hand-edited record: read, it must say the same when written again.
        std::string text((const char*)data + in.at, size - in.at);
        TerrainLocation parsed;
        if (parse_terrain_location(text, &parsed, &error)) {
            TerrainLocation again;
            fuzz_require(parse_terrain_location(format_terrain_location(parsed), &again, &error),
                         "a record written reads back");
            fuzz_require(format_terrain_location(again) == format_terrain_location(parsed), "a record reads back the same");
        }
        return 0;
    }

    TrackInput track;
    track.format = (flags & 3) == 3 ? 0 : flags & 3;
    track.waypoints = flags & 4;
    track.parts = flags & 8;
    track.routes = (flags & 16) && track.format == 1;
    track.area = &AREAS[track.format == 0 ? (place >> 2) & 3 : 0];
    const int points = count + 1;
    const int each = repeats >= 0xf8 ? 1 : 1 + (repeats & 7);
    for (int i = 0; i < points; ++i) {
        double x = coordinate(in.byte(), track.area->centre_x, track.area->span_x);
        double y = coordinate(in.byte(), track.area->centre_y, track.area->span_y);
        for (int k = 0; k < each; ++k) {  // duplicates, as a device that stood still writes them
            track.x.push_back(x);
            track.y.push_back(y);
        }
    }
    if (repeats >= 0xf8 && points >= 2) {
        // A long recording: the line through the given points, 5,000 points in all.
        std::vector<double> x, y;
        const int total = 5000;
        for (int i = 0; i < total; ++i) {
            double at = (double)i * (points - 1) / (total - 1);
            int a = (int)at < points - 1 ? (int)at : points - 2;
            double f = at - a;
            x.push_back(track.x[a] + f * (track.x[a + 1] - track.x[a]));
            y.push_back(track.y[a] + f * (track.y[a + 1] - track.y[a]));
        }
        track.x.swap(x);
        track.y.swap(y);
    }
    const char* extensions[3] = {".geojson", ".gpx", ".kml"};
    std::string path = FOLDER + "/walk" + extensions[track.format];
    write_memory_file(path, track.format == 0 ? make_geojson(track) : track.format == 1 ? make_gpx(track) : make_kml(track));
    const char* layers[4] = {"", track.format == 1 ? "tracks" : "walk", "routes", "missing"};
    std::string layer = layers[(flags >> 5) & 3];

    TrackLine line;
    if (read_track_line(path, layer, location, &line, &error)) use_track(line, ground);
    else fuzz_require(!error.empty(), "a refused track says why");
    if (!error.empty()) fprintf(discard, "%s\n", error.c_str());
    if (flags & 0x80) run_whole_track(path, layer, terrain);
    VSIUnlink(path.c_str());
    return 0;
}

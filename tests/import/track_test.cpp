// Laying tracks: the flight replayed with the viewer's own playback, the markers, the drape line and the refusals.
#include <cpl_conv.h>
#include <gdal.h>
#include <gdal_utils.h>
#include <gtest/gtest.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "flythrough/flythrough_file.h"
#include "flythrough/frame_modes.h"
#include "geometry/geometry_file.h"
#include "import/terrain_ground.h"
#include "import/terrain_location.h"
#include "import/track_line.h"
#include "state/camera_state.h"
#include "state/geometry_state.h"
#include "tests/import/import_fixtures.h"
#include "tests/support/temp_files.h"

namespace {

// The hills: 400 x 300 cells of 20 m in UTM zone 33N, whose middle is at
// (504000, 4003000); terrain x = easting - 504000, z = 4003000 - northing.
constexpr double MIDDLE_EAST = 504000.0, MIDDLE_NORTH = 4003000.0;
constexpr double HALF_WIDTH = 4000.0, HALF_DEPTH = 3000.0;
constexpr int UTM_33N = 32633, WGS_84 = 4326;

struct Point {
    double x, z;  // terrain units
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string import_hills(const std::string& world) {
    RasterRecipe recipe;
    recipe.width = 400;
    recipe.height = 300;
    recipe.geotransform = {MIDDLE_EAST - HALF_WIDTH, 20.0, 0.0, MIDDLE_NORTH + HALF_DEPTH, 0.0, -20.0};
    recipe.epsg = UTM_33N;
    recipe.value = [](int x, int y, int) { return 600.0 + 150.0 * std::sin(x / 37.0) * std::cos(y / 29.0) + 0.2 * x; };
    if (!write_raster(world + "/hills.tif", recipe)) return "cannot write the raster";
    ToolRun run = run_import_tool({"--world", world, "--name", "Hills", world + "/hills.tif"});
    return run.status == 0 ? "" : run.err;
}

// The same ground as the hills' middle in longitude and latitude: 15.0 to
// 15.1 E and 36.15 to 36.25 N in 200 x 200 cells.
std::string import_geographic(const std::string& world) {
    RasterRecipe recipe;
    recipe.width = 200;
    recipe.height = 200;
    recipe.geotransform = {15.0, 0.0005, 0.0, 36.25, 0.0, -0.0005};
    recipe.epsg = WGS_84;
    recipe.value = [](int x, int y, int) { return 500.0 + x + y; };
    if (!write_raster(world + "/geo.tif", recipe)) return "cannot write the raster";
    ToolRun run = run_import_tool({"--world", world, "--name", "Geo", world + "/geo.tif"});
    return run.status == 0 ? "" : run.err;
}

// A GeoJSON line of raw coordinates in `epsg`, written as text so that any number goes in.
void write_geojson(const std::string& path, int epsg, const std::vector<Point>& coordinates) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f,
                 "{\"type\": \"FeatureCollection\", \"crs\": {\"type\": \"name\", \"properties\": {\"name\": "
                 "\"urn:ogc:def:crs:EPSG::%d\"}}, \"features\": [{\"type\": \"Feature\", \"properties\": {}, "
                 "\"geometry\": {\"type\": \"LineString\", \"coordinates\": [",
                 epsg);
    for (size_t i = 0; i < coordinates.size(); ++i)
        std::fprintf(f, "%s[%.17g, %.17g]", i ? ", " : "", coordinates[i].x, coordinates[i].z);
    std::fprintf(f, "]}}]}\n");
    std::fclose(f);
}

// A winding loop round the middle: a circle of 1.8 km with five bulges, 0.85 of the way round, a point every 5 m.
std::vector<Point> winding_loop() {
    std::vector<Point> points;
    for (double angle = 0.0; angle < 1.7 * M_PI;) {
        const double r = 1800.0 + 350.0 * std::sin(5.0 * angle);
        points.push_back({r * std::cos(angle), r * std::sin(angle)});
        angle += 5.0 / r;
    }
    return points;
}

// Terrain points as longitude and latitude (or as UTM eastings and northings).
std::vector<Point> to_system(const std::vector<Point>& terrain, int epsg) {
    std::vector<Point> out;
    OGRSpatialReferenceH utm = OSRNewSpatialReference(nullptr), target = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(utm, UTM_33N);
    OSRImportFromEPSG(target, epsg);
    OSRSetAxisMappingStrategy(utm, OAMS_TRADITIONAL_GIS_ORDER);
    OSRSetAxisMappingStrategy(target, OAMS_TRADITIONAL_GIS_ORDER);
    OGRCoordinateTransformationH t = OCTNewCoordinateTransformation(utm, target);
    for (const Point& p : terrain) {
        double x = MIDDLE_EAST + p.x, y = MIDDLE_NORTH - p.z;
        OCTTransform(t, 1, &x, &y, nullptr);
        out.push_back({x, y});
    }
    OCTDestroyCoordinateTransformation(t);
    OSRDestroySpatialReference(utm);
    OSRDestroySpatialReference(target);
    return out;
}

// A GPX file: waypoints, then each line as a track (or a route) of terrain points.
void write_gpx(const std::string& path, const std::vector<std::vector<Point>>& tracks,
               const std::vector<std::pair<Point, std::string>>& waypoints, bool as_route = false) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f,
                 "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\" "
                 "xmlns=\"http://www.topografix.com/GPX/1/1\">\n");
    for (const auto& w : waypoints) {
        const Point p = to_system({w.first}, WGS_84)[0];
        std::fprintf(f, "<wpt lat=\"%.9f\" lon=\"%.9f\"><name>%s</name></wpt>\n", p.z, p.x, w.second.c_str());
    }
    for (const std::vector<Point>& line : tracks) {
        std::fprintf(f, as_route ? "<rte>\n" : "<trk><trkseg>\n");
        for (const Point& p : to_system(line, WGS_84))
            std::fprintf(f, as_route ? "<rtept lat=\"%.9f\" lon=\"%.9f\"/>\n" : "<trkpt lat=\"%.9f\" lon=\"%.9f\"/>\n",
                         p.z, p.x);
        std::fprintf(f, as_route ? "</rte>\n" : "</trkseg></trk>\n");
    }
    std::fprintf(f, "</gpx>\n");
    std::fclose(f);
}

// One line in a layer of a new vector file, through GDAL's driver, in `epsg` coordinates.
bool write_vector_line(const std::string& driver, const std::string& path, int epsg, const std::vector<Point>& line) {
    GDALAllRegister();
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName(driver.c_str()), path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    if (!ds) return false;
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, epsg);
    OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
    OGRLayerH layer = GDALDatasetCreateLayer(ds, "route", srs, wkbLineString, nullptr);
    bool ok = layer != nullptr;
    if (ok) {
        OGRFeatureH feature = OGR_F_Create(OGR_L_GetLayerDefn(layer));
        OGRGeometryH g = OGR_G_CreateGeometry(wkbLineString);
        for (const Point& p : to_system(line, epsg)) OGR_G_AddPoint_2D(g, p.x, p.z);
        OGR_F_SetGeometryDirectly(feature, g);
        ok = OGR_L_CreateFeature(layer, feature) == OGRERR_NONE;
        OGR_F_Destroy(feature);
    }
    OSRDestroySpatialReference(srs);
    GDALClose(ds);
    return ok;
}

// The nearest distance from (x, z) to a line of points.
double distance_to(const std::vector<Point>& line, double x, double z) {
    double best = INFINITY;
    for (size_t k = 0; k + 1 < line.size(); ++k) {
        const double dx = line[k + 1].x - line[k].x, dz = line[k + 1].z - line[k].z;
        const double t = std::clamp(((x - line[k].x) * dx + (z - line[k].z) * dz) / (dx * dx + dz * dz), 0.0, 1.0);
        best = std::min(best, std::hypot(x - line[k].x - t * dx, z - line[k].z - t * dz));
    }
    return best;
}

struct Frame {
    double x, y, z, dir_y, yaw;
};

// Every frame playback shows of a flight file, played by the viewer's own code.
std::vector<Frame> replay(const std::string& path) {
    char error[FLYTHROUGH_ERROR_SIZE] = "";
    const int count = read_flythrough_file(path.c_str(), error, sizeof error);
    EXPECT_GT(count, 0) << error;
    std::vector<Frame> frames;
    if (count <= 0) return frames;
    begin_playback(count);
    while (step_frame_camera())
        frames.push_back({camera_eye_x, camera_eye_y, camera_eye_z, camera_dir_y, camera_yaw});
    return frames;
}

TerrainLocation read_location(const std::string& world) {
    TerrainLocation location{};
    std::string error;
    EXPECT_TRUE(read_terrain_location(world + "/DEM/Hills.location", &location, &error)) << error;
    return location;
}

}  // namespace

// A winding GPX track in longitude and latitude over a UTM terrain: the
// flight follows it within two grid cells and 150 m over the ground, cones
// stand on it, a signpost at its waypoint, and the drape shows the line.
TEST(TrackFlight, AWindingTrackInAnotherSystemIsFollowedWithinTwoCells) {
    const std::string world = make_world();
    ASSERT_EQ(import_hills(world), "");
    const std::vector<Point> loop = winding_loop();
    const Point hut = loop[loop.size() / 2];
    write_gpx(world + "/hike.gpx", {loop}, {{hut, "Hut"}});
    // The drape of a terrain named Hills_hike, which the track's drape must never be.
    {
        FILE* other = fopen((world + "/Drape/Hills_hike.raw").c_str(), "wb");
        ASSERT_NE(other, nullptr);
        fputs("another terrain's drape", other);
        fclose(other);
    }

    ToolRun run = run_import_tool({"--world", world, "--track", world + "/hike.gpx", "--onto", "Hills"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "transformed from WGS 84 to the raster's WGS 84 / UTM zone 33N")) << run.out;
    EXPECT_TRUE(contains(run.out, "Wrote Flythrough/hike.flt, Vector/hike.vec (")) << run.out;
    EXPECT_TRUE(contains(run.out, "1 signpost at a waypoint) and Drape/Hills+hike.raw with Drape/Hills+hike.info"))
        << run.out;
    EXPECT_TRUE(contains(run.out,
                         " --render-flight Flythrough/hike.ride hike.mp4 --terrain Hills.dem --drape "
                         "Hills+hike.raw --vector hike.vec --sky\n"))
        << run.out;

    const TerrainLocation location = read_location(world);
    TerrainGround ground;
    std::string error;
    ASSERT_TRUE(read_terrain_ground(world + "/DEM/Hills.dem", location, &ground, &error)) << error;
    const double cell = ground_cell_size(ground);
    ASSERT_NEAR(cell, 20.07, 0.01);  // 6000 m over 299 rows

    // The flight as the viewer plays it: on the track, over the ground, looking down ahead.
    const std::vector<Frame> frames = replay(world + "/Flythrough/hike.flt");
    ASSERT_GT(frames.size(), 1000u);
    double farthest = 0.0, lowest = INFINITY, highest = 0.0, pitch = 0.0;
    for (const Frame& f : frames) {
        farthest = std::max(farthest, distance_to(loop, f.x, f.z));
        const double clearance = f.y - measure_ground(ground, f.x, f.z);
        lowest = std::min(lowest, clearance);
        highest = std::max(highest, clearance);
        pitch += f.dir_y / frames.size();
    }
    EXPECT_LT(farthest, 2.0 * cell);
    EXPECT_GT(lowest, 149.9);
    EXPECT_LT(highest, 450.0);
    EXPECT_LT(pitch, -0.1);
    EXPECT_GT(pitch, -0.8);
    // It flies the whole track: every point of it passes under the eye, the last one too.
    std::vector<Point> flown;
    for (const Frame& f : frames) flown.push_back({f.x, f.z});
    for (size_t k = 0; k < loop.size(); k += 10) ASSERT_LT(distance_to(flown, loop[k].x, loop[k].z), 2.0 * cell) << k;
    EXPECT_LT(std::hypot(flown.back().x - loop.back().x, flown.back().z - loop.back().z), 2.0 * cell);

    // The layer: cones upright on the track, the waypoint's signpost standing on the ground.
    char message[GEOMETRY_ERROR_SIZE] = "";
    const int items = read_geometry_layer((world + "/Vector/hike.vec").c_str(), message, sizeof message);
    ASSERT_GT(items, 20) << message;
    int cones = 0, signposts = 0;
    for (int i = 0; i < items; ++i) {
        const GeometryItem& g = geometry_items[i];
        const double ground_y = measure_ground(ground, g.x, g.z);
        if (g.kind == GEOMETRY_CONE) {
            ++cones;
            EXPECT_LT(distance_to(loop, g.x, g.z), 1.0) << i;
            EXPECT_NEAR(g.y, ground_y, 0.01) << i;
            EXPECT_EQ(g.rx, -90.0f);
        } else if (g.kind == GEOMETRY_BILLBOARD) {
            ++signposts;
            EXPECT_EQ(g.texture, 2);
            EXPECT_NEAR(std::hypot(g.x - hut.x, g.z - hut.z), 0.0, 0.05);
            EXPECT_NEAR(g.y - 0.8 * g.size, ground_y, 0.01);
        }
    }
    EXPECT_EQ(signposts, 1);
    EXPECT_EQ(cones, items - 1);

    // The drape: the terrain's own, with the line painted over the track and nowhere else.
    int width = 0, height = 0, components = 0;
    ASSERT_TRUE(read_info(world + "/Drape/Hills+hike.info", &width, &height, &components));
    ASSERT_EQ(components, 3);
    const std::string plain = read_file(world + "/Drape/Hills.raw");
    const std::string lined = read_file(world + "/Drape/Hills+hike.raw");
    ASSERT_EQ(lined.size(), (size_t)width * height * 3);
    ASSERT_EQ(plain.size(), lined.size());
    const double pixel_x = 2.0 * HALF_WIDTH / width, pixel_z = 2.0 * HALF_DEPTH / height;
    long changed = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const size_t i = ((size_t)row * width + column) * 3;
            if (plain.compare(i, 3, lined, i, 3) == 0) continue;
            ++changed;
            const double x = (column + 0.5) * pixel_x - HALF_WIDTH, z = (row + 0.5) * pixel_z - HALF_DEPTH;
            ASSERT_LT(distance_to(loop, x, z), 3.0 * std::max(pixel_x, pixel_z)) << column << "," << row;
        }
    const Point on = loop[loop.size() / 3];
    const size_t under =
        ((size_t)((on.z + HALF_DEPTH) / pixel_z) * width + (size_t)((on.x + HALF_WIDTH) / pixel_x)) * 3;
    EXPECT_GT((unsigned char)lined[under], 180);
    EXPECT_LT((unsigned char)lined[under + 1], 110);
    EXPECT_GT(changed, 1000);
    EXPECT_EQ(read_file(world + "/Drape/Hills_hike.raw"), "another terrain's drape");
    // And no terrain may take a name that track drapes use.
    ToolRun named = run_import_tool({"--world", world, "--name", "Hills+hike", world + "/hills.tif"});
    EXPECT_EQ(named.status, 1);
    EXPECT_TRUE(contains(named.err, "holds a '+', which names the drapes of tracks")) << named.err;
    remove_world(world);
}

// A GeoJSON line in the raster's own system that leaves the terrain east
// and comes back: the flight turns along the edge and stays over the terrain.
TEST(TrackFlight, ATrackLeavingTheTerrainIsFlownAlongItsEdge) {
    const std::string world = make_world();
    ASSERT_EQ(import_hills(world), "");
    const std::vector<Point> out_and_back = {{2000, 0}, {5000, 0}, {5000, -600}, {1000, -600}};
    ASSERT_TRUE(write_vector_line("GeoJSON", world + "/east.geojson", UTM_33N, out_and_back));

    ToolRun run = run_import_tool({"--world", world, "--track", world + "/east.geojson", "--onto", "DEM/Hills.dem",
                                   "--above", "80", "--speed", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "in the raster's coordinate system")) << run.out;
    EXPECT_TRUE(contains(run.out, "the track leaves the terrain once (2600 m beyond its edges)")) << run.out;
    // What is flown over the track, and what is crossed straight along the edge, each said for what it is.
    EXPECT_TRUE(contains(run.out, ": 5000 m of track on the terrain;")) << run.out;
    EXPECT_TRUE(contains(run.out, "the flight crosses straight once (600 m) where the track is off the terrain"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "m of the track where it flies over it (")) << run.out;
    EXPECT_TRUE(contains(run.out, "at 2.0 m a frame, 80 m over the ground")) << run.out;

    const std::vector<Point> flown_line = {{2000, 0}, {4000, 0}, {4000, -600}, {1000, -600}};
    const double cell = 6000.0 / 299.0;
    const std::vector<Frame> frames = replay(world + "/Flythrough/east.flt");
    ASSERT_GT(frames.size(), 2000u);
    for (const Frame& f : frames) {
        ASSERT_LT(distance_to(flown_line, f.x, f.z), 2.0 * cell) << f.x << "," << f.z;
        ASSERT_LE(f.x, HALF_WIDTH);
    }
    EXPECT_LT(std::hypot(frames.back().x - 1000.0, frames.back().z + 600.0), 2.0 * cell);

    // Two parts 1 km apart: the gap is crossed, not counted as track.
    write_gpx(world + "/parts.gpx", {{{-2000, 0}, {-1000, 0}}, {{0, 0}, {1000, 0}}}, {});
    run = run_import_tool({"--world", world, "--track", world + "/parts.gpx", "--onto", "Hills", "--speed", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, ": 2000 m of track on the terrain; the flight crosses straight once (1000 m)"))
        << run.out;
    remove_world(world);
}

// Tracks that come back to where they began, or pass their end point on the
// way, are flown whole and in order: a square ending on its start, an out and
// back, a lollipop whose stick is its start and end.
TEST(TrackFlight, LoopsOutAndBacksAndLollipopsAreFlownWhole) {
    const std::string world = make_world();
    ASSERT_EQ(import_hills(world), "");
    const double cell = 6000.0 / 299.0;
    const std::vector<std::pair<std::string, std::vector<Point>>> shapes = {
        {"square", {{-1500, -1500}, {1500, -1500}, {1500, 1500}, {-1500, 1500}, {-1500, -1500}}},
        {"outback", {{-2500, 0}, {2500, 0}, {2500, 300}, {-2500, 300}}},
        {"lollipop", {{-3000, 0}, {0, 0}, {1000, -1000}, {2000, 0}, {1000, 1000}, {0, 0}, {-3000, 0}}},
    };
    for (const auto& [name, line] : shapes) {
        ASSERT_TRUE(write_vector_line("GeoJSON", world + "/" + name + ".geojson", UTM_33N, line));
        ToolRun run = run_import_tool(
            {"--world", world, "--track", world + "/" + name + ".geojson", "--onto", "Hills", "--speed", "5"});
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        double length = 0.0;
        for (size_t k = 1; k < line.size(); ++k)
            length += std::hypot(line[k].x - line[k - 1].x, line[k].z - line[k - 1].z);
        const std::vector<Frame> frames = replay(world + "/Flythrough/" + name + ".flt");
        // About one frame each 5 m of the whole track, not a few frames to a nearby end.
        EXPECT_GT(frames.size(), (size_t)(0.9 * length / 5.0)) << name;
        // In order: each corner passes under the eye after the one before it.
        size_t from = 0;
        for (const Point& corner : line) {
            size_t k = from;
            while (k < frames.size() && std::hypot(frames[k].x - corner.x, frames[k].z - corner.z) > 3.0 * cell) ++k;
            ASSERT_LT(k, frames.size()) << name << ": the corner at " << corner.x << "," << corner.z << " is not flown";
            from = k;
        }
        // A gentle start: the first move is a small part of the full 5 m and the speed grows to it.
        ASSERT_GT(frames.size(), 200u);
        EXPECT_LT(std::hypot(frames[1].x - frames[0].x, frames[1].z - frames[0].z), 1.0) << name;
        EXPECT_NEAR(std::hypot(frames[60].x - frames[59].x, frames[60].z - frames[59].z), 5.0, 0.5) << name;
        // The end: three seconds over the end point, turning slowly, never a jump.
        const size_t end = frames.size() - 90;
        double turned = 0.0;
        for (size_t k = end; k < frames.size(); ++k) {
            EXPECT_NEAR(frames[k].x, frames[end - 1].x, 1e-3) << name;
            EXPECT_NEAR(frames[k].z, frames[end - 1].z, 1e-3) << name;
            const double step = std::fabs(frames[k].yaw - frames[k - 1].yaw);
            EXPECT_LE(step, 1.01 * M_PI / 180.0) << name << " frame " << k;
            turned += step;
        }
        EXPECT_GT(turned, 0.9) << name;
        EXPECT_LT(std::hypot(frames.back().x - line.back().x, frames.back().z - line.back().z), 3.0 * cell) << name;
    }
    remove_world(world);
}

// The same line through four more of GDAL's drivers, in either system, comes out at the same place.
TEST(TrackLine, KmlGeoJsonGeoPackageAndShapefileGiveTheSameLine) {
    const std::string dir = make_temp_dir();
    const std::vector<Point> line = {{-1200.0, 300.0}, {-400.0, -250.0}, {350.5, 120.25}, {1800.0, 900.0}};
    TerrainLocation location{};
    location.columns = 400;
    location.rows = 300;
    location.width = 2.0 * HALF_WIDTH;
    location.depth = 2.0 * HALF_DEPTH;
    const double affine[6] = {MIDDLE_EAST, 1.0, 0.0, MIDDLE_NORTH, 0.0, -1.0};
    std::copy(affine, affine + 6, location.affine);
    location.height_factor = 1.0;
    OGRSpatialReferenceH utm = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(utm, UTM_33N);
    char* wkt = nullptr;
    OSRExportToWkt(utm, &wkt);
    location.crs_wkt = wkt;
    CPLFree(wkt);
    OSRDestroySpatialReference(utm);

    struct Case {
        const char* driver;
        const char* file;
        int epsg;
    } cases[] = {{"KML", "line.kml", WGS_84},
                 {"GeoJSON", "line.geojson", WGS_84},
                 {"GPKG", "line.gpkg", UTM_33N},
                 {"ESRI Shapefile", "line.shp", UTM_33N}};
    for (const Case& c : cases) {
        ASSERT_TRUE(write_vector_line(c.driver, dir + "/" + c.file, c.epsg, line)) << c.driver;
        TrackLine track;
        std::string error;
        ASSERT_TRUE(read_track_line(dir + "/" + c.file, "", location, &track, &error)) << c.driver << ": " << error;
        ASSERT_EQ(track.parts.size(), 1u) << c.driver;
        ASSERT_EQ(track.parts[0].size(), line.size()) << c.driver;
        for (size_t i = 0; i < line.size(); ++i) {
            EXPECT_NEAR(track.parts[0][i].x, line[i].x, 0.05) << c.driver << " " << i;
            EXPECT_NEAR(track.parts[0][i].z, line[i].z, 0.05) << c.driver << " " << i;
        }
    }
    // A GPX file with a track and a route: --layer picks the route.
    write_gpx(dir + "/both.gpx", {line}, {});
    std::string both = read_file(dir + "/both.gpx");
    write_gpx(dir + "/route.gpx", {{line[0], line[3]}}, {}, true);
    const std::string route = read_file(dir + "/route.gpx");
    both.insert(both.rfind("</gpx>"),
                route.substr(route.find("<rte>"), route.rfind("</rte>") + 7 - route.find("<rte>")));
    std::FILE* f = std::fopen((dir + "/both.gpx").c_str(), "w");
    std::fputs(both.c_str(), f);
    std::fclose(f);
    TrackLine track;
    std::string error;
    ASSERT_TRUE(read_track_line(dir + "/both.gpx", "routes", location, &track, &error)) << error;
    ASSERT_EQ(track.parts.size(), 1u);
    EXPECT_EQ(track.parts[0].size(), 2u);
    EXPECT_FALSE(read_track_line(dir + "/both.gpx", "", location, &track, &error));
    EXPECT_TRUE(contains(error, "holds lines in several layers (routes, tracks); choose one with --layer")) << error;

    // A GeoPackage made from a GPX keeps GPX's layers of track points: its
    // waypoints are still only the waypoint, not every point of the line.
    write_gpx(dir + "/hike.gpx", {line}, {{line[1], "Hut"}});
    GDALDatasetH gpx = GDALOpenEx((dir + "/hike.gpx").c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    ASSERT_NE(gpx, nullptr);
    const char* to_gpkg[] = {"-f", "GPKG", nullptr};
    GDALVectorTranslateOptions* translate = GDALVectorTranslateOptionsNew((char**)to_gpkg, nullptr);
    GDALDatasetH gpkg = GDALVectorTranslate((dir + "/hike.gpkg").c_str(), nullptr, 1, &gpx, translate, nullptr);
    GDALVectorTranslateOptionsFree(translate);
    ASSERT_NE(gpkg, nullptr);
    GDALClose(gpkg);
    GDALClose(gpx);
    TrackLine converted;
    ASSERT_TRUE(read_track_line(dir + "/hike.gpkg", "tracks", location, &converted, &error)) << error;
    ASSERT_EQ(converted.waypoints.size(), 1u);
    EXPECT_EQ(converted.waypoints[0].name, "Hut");
    EXPECT_EQ(converted.point_count, (long long)line.size());
}

// Each refusal names its reason on one line, and the world is left as it was: no flight, layer or drape.
TEST(TrackRefusals, NoLineALineOutsideAndATerrainWithoutLocationChangeNothing) {
    const std::string world = make_world();
    ASSERT_EQ(import_hills(world), "");
    write_gpx(world + "/waypoints.gpx", {}, {{{0, 0}, "Summit"}});
    write_gpx(world + "/far.gpx", {{{9000, 9000}, {9500, 9400}}}, {});
    write_gpx(world + "/near.gpx", {{{0, 0}, {300, 40}}}, {});
    write_gpx(world + "/long.gpx", {{{-3900, -2900}, {3900, -2900}, {3900, 2900}, {-3900, 2900}}}, {});
    // An older import: its terrain has no recorded location.
    ASSERT_EQ(std::system(("cp '" + world + "/DEM/Hills.dem' '" + world + "/DEM/Old.dem'").c_str()), 0);
    // A terrain replaced by another grid since its import.
    ASSERT_EQ(std::system(("cp '" + world + "/DEM/Hills.location' '" + world + "/DEM/Swapped.location'").c_str()), 0);
    std::FILE* f = std::fopen((world + "/DEM/Swapped.dem").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(grid_terrain_text(3, 3, [](int, int) { return 0.0f; }).c_str(), f);
    std::fclose(f);
    // A record edited to give the same count of vertices as another grid.
    for (const char* file : {"/DEM/Hills.dem", "/Drape/Hills.raw", "/Drape/Hills.info"}) {
        std::string copy = file;
        copy.replace(copy.find("Hills"), 5, "Edited");
        ASSERT_EQ(std::system(("cp '" + world + file + "' '" + world + copy + "'").c_str()), 0);
    }
    std::string record = read_file(world + "/DEM/Hills.location");
    ASSERT_NE(record.find("\ngrid 400 300\n"), std::string::npos);
    record.replace(record.find("\ngrid 400 300\n"), 14, "\ngrid 2 60000\n");
    f = std::fopen((world + "/DEM/Edited.location").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(record.c_str(), f);
    std::fclose(f);
    // A folder where the drape would go: the flight and the layer, which could be written, must not appear.
    std::filesystem::create_directory(world + "/Drape/Hills+near.raw");
    const std::vector<std::string> before = list_world(world);

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"--track", world + "/waypoints.gpx", "--onto", "Hills"}, 1, "holds no line of two points or more"},
        {{"--track", world + "/far.gpx", "--onto", "Hills"}, 1, "lies outside terrain Hills (8000 m x 6000 m)"},
        {{"--track", world + "/near.gpx", "--onto", "Old"},
         1,
         "Old.location' is missing: the terrain was imported without its location"},
        {{"--track", world + "/near.gpx", "--onto", "Swapped"}, 1, "is no longer the 400 x 300 grid that was imported"},
        {{"--track", world + "/near.gpx", "--onto", "Edited"},
         1,
         "Edited.dem' is a 400 x 300 grid, not the 2 x 60000 its location record gives; import the raster again"},
        {{"--track", world + "/near.gpx", "--onto", "Hills", "--layer", "routes"}, 1, "layer 'routes' of track '"},
        {{"--track", world + "/missing.gpx", "--onto", "Hills"}, 1, "cannot read track '"},
        {{"--track", world + "/near.gpx", "--onto", "Hills"}, 1, "Drape/Hills+near.raw: it is a folder"},
        {{"--track", world + "/long.gpx", "--onto", "Hills", "--speed", "0.1"},
         1,
         "needs more than the 8000 frames a flight holds; give --speed 2.8 or more"},
        {{"--track", world + "/near.gpx", "--onto", "Hills", "--speed", "10000"},
         1,
         "would last fewer than 30 frames; give --speed 10.0 or less"},
        {{"--track", world, "--onto", "Hills"}, 1, "is a folder; give the track's file"},
        {{"--track", world + "/near.gpx"}, 2, "--track needs --onto NAME"},
        {{"--track", world + "/near.gpx", "--onto", "Hills", "--grid", "20"}, 2, "--grid is for importing a raster"},
        {{"--above", "20", world + "/hills.tif"}, 2, "--above goes with --track"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--world", world};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ToolRun run = run_import_tool(args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_EQ(run.err.rfind("kestrolane-import: ", 0), 0u) << run.err;
        EXPECT_TRUE(contains(run.err, c.message)) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(list_world(world), before);
    remove_world(world);
}

// A point far beyond its coordinate system (x = 1e308 in Web Mercator): on a
// geographic terrain PROJ searched for it without end, on a projected one it
// came back wrapped round the Earth, thousands of kilometres off. It is never
// carried over: the run ends at once and nothing is laid out there.
TEST(TrackHostile, APointBeyondItsCoordinateSystemIsNeverTransformed) {
    const std::string world = make_world();
    ASSERT_EQ(import_hills(world), "");
    ASSERT_EQ(import_geographic(world), "");
    std::vector<Point> line = to_system({{-1000.0, 0.0}, {0.0, 500.0}, {1000.0, 0.0}}, 3857);
    line[1].x = 1e308;
    write_geojson(world + "/far.geojson", 3857, line);

    for (const char* terrain : {"Geo", "Hills"}) {
        ToolRun run = run_import_tool({"--world", world, "--track", world + "/far.geojson", "--onto", terrain}, 30);
        EXPECT_EQ(run.status, 0) << terrain << ": " << run.err;
        EXPECT_FALSE(contains(run.out, "beyond its edges")) << terrain << ": " << run.out;
        EXPECT_TRUE(contains(run.out, "(2 points of layer far, ")) << run.out;
        EXPECT_TRUE(contains(run.out, "; 1 point that could not be placed was dropped) on " + std::string(terrain)))
            << run.out;
    }
    remove_world(world);
}

// A GPX file of track points and waypoints as the text gives them (latitude, longitude).
void write_raw_gpx(const std::string& path, const std::vector<std::pair<std::string, std::string>>& track,
                   const std::vector<std::pair<std::string, std::string>>& waypoints) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\" "
                    "xmlns=\"http://www.topografix.com/GPX/1/1\">\n");
    for (const auto& w : waypoints)
        std::fprintf(f, "<wpt lat=\"%s\" lon=\"%s\"><name>W</name></wpt>\n", w.first.c_str(), w.second.c_str());
    std::fprintf(f, "<trk><trkseg>\n");
    for (const auto& p : track) std::fprintf(f, "<trkpt lat=\"%s\" lon=\"%s\"/>\n", p.first.c_str(), p.second.c_str());
    std::fprintf(f, "</trkseg></trk>\n</gpx>\n");
    std::fclose(f);
}

// A point that cannot be placed (a longitude of 1e308, 1e10 or NaN, a
// latitude past the pole) once made the whole track "lie outside" the
// terrain: now it is dropped, its neighbours joined, and the summary says how
// many were dropped. Only a track left without two points is refused.
TEST(TrackRefusals, PointsThatCannotBePlacedAreDroppedAndCounted) {
    const std::string world = make_world();
    ASSERT_EQ(import_hills(world), "");
    const std::vector<Point> lon_lat = to_system({{-1500.0, 200.0}, {0.0, -300.0}, {1500.0, 400.0}}, WGS_84);
    std::vector<std::pair<std::string, std::string>> good;
    for (const Point& p : lon_lat) {
        char lat[40], lon[40];
        std::snprintf(lat, sizeof lat, "%.9f", p.z);
        std::snprintf(lon, sizeof lon, "%.9f", p.x);
        good.push_back({lat, lon});
    }
    write_raw_gpx(world + "/ends.gpx", {good[0], good[2]}, {});
    ToolRun ends = run_import_tool({"--world", world, "--track", world + "/ends.gpx", "--onto", "Hills"});
    ASSERT_EQ(ends.status, 0) << ends.err;
    const std::string laid = ends.out.substr(ends.out.find(") on Hills: "), 25);  // "...: 3008 m of track"

    struct Case {
        std::pair<std::string, std::string> middle, waypoint;
        const char* dropped;
    } cases[] = {
        {{good[1].first, "1e308"}, good[1], "; 1 point that could not be placed was dropped) on Hills"},
        {{good[1].first, "1e10"}, good[1], "; 1 point that could not be placed was dropped) on Hills"},
        {{good[1].first, "nan"}, good[1], "; 1 point that could not be placed was dropped) on Hills"},
        {{"91", good[1].second}, {good[1].first, "-1e300"},
         "; 1 point and 1 waypoint that could not be placed were dropped) on Hills"},
    };
    for (const Case& c : cases) {
        write_raw_gpx(world + "/gap.gpx", {good[0], c.middle, good[2]}, {c.waypoint});
        ToolRun run = run_import_tool({"--world", world, "--track", world + "/gap.gpx", "--onto", "Hills"});
        ASSERT_EQ(run.status, 0) << c.middle.second << ": " << run.err;
        EXPECT_TRUE(contains(run.out, "(2 points of layer tracks, ")) << run.out;
        EXPECT_TRUE(contains(run.out, c.dropped)) << run.out;
        EXPECT_TRUE(contains(run.out, laid)) << run.out;  // the ends joined straight
    }

    // Nothing is left to lay: refused on one line, the world as it was.
    write_raw_gpx(world + "/lost.gpx", {good[0], {good[1].first, "1e308"}, {"-1e10", good[2].second}}, {});
    const std::vector<std::string> before = list_world(world);
    ToolRun run = run_import_tool({"--world", world, "--track", world + "/lost.gpx", "--onto", "Hills"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "kestrolane-import: no line of track '" + world +
                           "/lost.gpx' keeps two points that can be placed: 2 of its 3 points lie beyond their "
                           "coordinate system or cannot be brought into the terrain's\n");
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_EQ(list_world(world), before);
    remove_world(world);
}

// A track kept in the world under the name its flight or layer would take
// (or linked there) was replaced by the run's own output: refused, kept.
TEST(TrackHostile, AnOutputThatIsTheTrackOrTheTerrainIsRefusedAndKept) {
    const std::string world = make_world();
    ASSERT_EQ(import_hills(world), "");
    std::filesystem::create_directory(world + "/Vector");
    std::filesystem::create_directory(world + "/Flythrough");
    const std::vector<Point> line = {{-1000.0, 0.0}, {1000.0, 200.0}};
    ASSERT_TRUE(write_vector_line("GeoJSON", world + "/Vector/walk.vec", UTM_33N, line));
    ASSERT_TRUE(write_vector_line("GeoJSON", world + "/Flythrough/walk2.flt", UTM_33N, line));
    ASSERT_TRUE(write_vector_line("GeoJSON", world + "/ridge.geojson", UTM_33N, line));
    ASSERT_EQ(symlink("../Drape/Hills.raw", (world + "/Vector/ridge.vec").c_str()), 0);
    const std::string walk = read_file(world + "/Vector/walk.vec"), drape = read_file(world + "/Drape/Hills.raw");
    const std::vector<std::string> before = list_world(world);

    struct Case {
        std::string track, output, input;
    } cases[] = {
        {world + "/Vector/walk.vec", "Vector/walk.vec", world + "/Vector/walk.vec"},
        {world + "/Flythrough/walk2.flt", "Flythrough/walk2.flt", world + "/Flythrough/walk2.flt"},
        {world + "/ridge.geojson", "Vector/ridge.vec", world + "/Drape/Hills.raw"},
    };
    for (const Case& c : cases) {
        ToolRun run = run_import_tool({"--world", world, "--track", c.track, "--onto", "Hills"});
        EXPECT_EQ(run.status, 1) << c.track;
        EXPECT_EQ(run.err, "kestrolane-import: will not write " + c.output + ": it is '" + c.input +
                               "', which this run reads; name another output with --name\n");
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(list_world(world), before);
    EXPECT_EQ(read_file(world + "/Vector/walk.vec"), walk);
    EXPECT_EQ(read_file(world + "/Drape/Hills.raw"), drape);
    remove_world(world);
}

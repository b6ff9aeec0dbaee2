// Reading terrain model files: counts, extents, line handling, refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/terrain_file.h"
#include "state/world_state.h"
#include "terrain/terrain_mesh.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

struct Loaded {
    bool ok;
    TerrainParse parse;
    std::string error;
};

Loaded load_text(const std::string& text, const std::string& name = "t.obj") {
    Loaded result;
    char error[TERRAIN_ERROR_SIZE] = "";
    std::string path = write_temp_file(name, text);
    result.ok = read_terrain_file(path.c_str(), &result.parse, error, sizeof error);
    result.error = error;
    return result;
}

float flat(int, int) { return 0.0f; }
float ramp(int x, int z) { return (float)(x + z); }

const char* SQUARE =
    "# a unit square\n"
    "v 0 0 0\nv 0 0 1\nv 1 0 0\nv 1 0 1\n"
    "vt 0 0\nvt 0 1\nvt 1 0\nvt 1 1\n"
    "f 1/1/1 2/2/2 3/3/3\n"
    "f 3/3/3 2/2/2 4/4/4\n";

// A face on vertex 1, for files that are about their vertex lines.
const char* ONE_FACE = "f 1/1/1 1/1/1 1/1/1\n";

}  // namespace

TEST(TerrainFile, CountsPositionsTexcoordsAndFaces) {
    Loaded l = load_text(SQUARE);
    ASSERT_TRUE(l.ok) << l.error;
    EXPECT_EQ(l.parse.vertex_count, 4);
    EXPECT_EQ(l.parse.face_count, 2);
    EXPECT_FLOAT_EQ(l.parse.vertices[3].x, 1.0f);
    EXPECT_FLOAT_EQ(l.parse.vertices[3].z, 1.0f);
    EXPECT_FLOAT_EQ(l.parse.vertices[1].t, 1.0f);
    EXPECT_EQ(l.parse.faces[1].corners[2].vertex, 4);
    EXPECT_EQ(l.parse.vertices[2].face_count, 2);
    EXPECT_EQ(l.parse.vertices[2].faces[0], 0);
    EXPECT_EQ(l.parse.vertices[2].faces[1], 1);
    free_terrain_parse(&l.parse);
}

TEST(TerrainFile, ExtentsAlwaysContainTheOrigin) {
    Loaded l = load_text("v 10 5 20\nv 30 7 40\n" + std::string(ONE_FACE));
    ASSERT_TRUE(l.ok) << l.error;
    EXPECT_FLOAT_EQ(l.parse.min_x, 0.0f);
    EXPECT_FLOAT_EQ(l.parse.max_x, 30.0f);
    EXPECT_FLOAT_EQ(l.parse.min_y, 0.0f);
    EXPECT_FLOAT_EQ(l.parse.max_y, 7.0f);
    EXPECT_FLOAT_EQ(l.parse.min_z, 0.0f);
    EXPECT_FLOAT_EQ(l.parse.max_z, 40.0f);
    free_terrain_parse(&l.parse);
    l = load_text("v -10 -5 -20\n" + std::string(ONE_FACE));
    EXPECT_FLOAT_EQ(l.parse.max_x, 0.0f);
    EXPECT_FLOAT_EQ(l.parse.min_y, -5.0f);
    free_terrain_parse(&l.parse);
}


TEST(TerrainFile, NormalLinesCommentsAndOtherLinesAreSkipped) {
    Loaded l = load_text("# comment v 1 2 3\nvn 0 1 0\nvn 0 1 0\ng group\no obj\n\n" + std::string(SQUARE));
    ASSERT_TRUE(l.ok) << l.error;
    EXPECT_EQ(l.parse.vertex_count, 4);
    EXPECT_EQ(l.parse.face_count, 2);
    EXPECT_FLOAT_EQ(l.parse.vertices[0].nx, 0.0f);
    EXPECT_FLOAT_EQ(l.parse.vertices[0].ny, 1.0f);
    free_terrain_parse(&l.parse);
}

TEST(TerrainFile, CrlfFilesLoadLikeLfFiles) {
    Loaded lf = load_text(grid_terrain_text(5, 4, ramp, "\n"));
    Loaded crlf = load_text(grid_terrain_text(5, 4, ramp, "\r\n"));
    ASSERT_TRUE(lf.ok && crlf.ok) << crlf.error;
    ASSERT_EQ(lf.parse.vertex_count, crlf.parse.vertex_count);
    ASSERT_EQ(lf.parse.face_count, crlf.parse.face_count);
    EXPECT_EQ(0, memcmp(lf.parse.vertices, crlf.parse.vertices, sizeof(TerrainVertex) * lf.parse.vertex_count));
    EXPECT_EQ(0, memcmp(lf.parse.faces, crlf.parse.faces, sizeof(TerrainFace) * lf.parse.face_count));
    free_terrain_parse(&lf.parse);
    free_terrain_parse(&crlf.parse);
}

TEST(TerrainFile, LinesLongerThan99CharactersAreSplit) {
    // The 99 characters of the comment end exactly where "v 5 6 7" begins, so
    // the rest of the line is read as a vertex line of its own.
    std::string comment = "#" + std::string(98, 'x');
    Loaded l = load_text(comment + "v 5 6 7\n" + ONE_FACE);
    ASSERT_TRUE(l.ok) << l.error;
    ASSERT_EQ(l.parse.vertex_count, 1);
    EXPECT_FLOAT_EQ(l.parse.vertices[0].x, 5.0f);
    EXPECT_FLOAT_EQ(l.parse.vertices[0].z, 7.0f);
    free_terrain_parse(&l.parse);

    // A vertex line whose third number starts past character 99 loses it to
    // the next chunk, so the line does not hold three numbers.
    Loaded cut = load_text("v 1 2" + std::string(100, ' ') + "3\n" + ONE_FACE);
    EXPECT_FALSE(cut.ok);
    EXPECT_NE(cut.error.find("line 1"), std::string::npos) << cut.error;
}

TEST(TerrainFile, FloatsMatchTheStandardConversion) {
    const char* numbers[] = {"0.1",     "-0.1",      "+2.5",         "1e-40",   "3.4028235e38", "123456.789",
                             "1.000000059604644775390625", "-0",  "7",    "0x1p3",  "1e-50", ".5"};
    std::string text;
    for (const char* n : numbers) text += std::string("v ") + n + " " + n + " " + n + "\n";
    Loaded l = load_text(text + ONE_FACE);
    ASSERT_TRUE(l.ok) << l.error;
    for (int i = 0; i < (int)(sizeof numbers / sizeof numbers[0]); ++i) {
        float expected = strtof(numbers[i], nullptr);
        float got = l.parse.vertices[i].y;
        EXPECT_EQ(0, memcmp(&expected, &got, sizeof got)) << numbers[i];
    }
    free_terrain_parse(&l.parse);
}

TEST(TerrainFile, NumbersAroundTheShortcutsForSevenDigitsReadAsScanfReadsThem) {
    const char* numbers[] = {"1234567", "12345678", "0.1234567", "0.12345678", "-9999.999", "1.5e3", "5.", "-.5",
                             "-0.000", "0001.5000", "1.5.5", "007", "+.5e-3", "0x1.8p1"};
    std::string text;
    for (const char* n : numbers) text += std::string("v 0 ") + n + " 0\n";
    Loaded l = load_text(text + ONE_FACE);
    ASSERT_TRUE(l.ok) << l.error;
    for (int i = 0; i < (int)(sizeof numbers / sizeof numbers[0]); ++i) {
        float expected = strtof(numbers[i], nullptr);
        EXPECT_EQ(0, memcmp(&expected, &l.parse.vertices[i].y, sizeof expected)) << numbers[i];
    }
    free_terrain_parse(&l.parse);

    // A number cut by the 99-character chunk keeps only the digits inside it.
    Loaded cut = load_text("v 1 2" + std::string(93, ' ') + "34\nv 0 0 0\nv 1 0 0\n" + ONE_FACE);
    ASSERT_TRUE(cut.ok) << cut.error;
    EXPECT_EQ(cut.parse.vertices[0].z, 3.0f);
    free_terrain_parse(&cut.parse);

    // Corner numbers with leading zeros, and long ones in refusals.
    Loaded zeros = load_text("v 0 0 0\nv 0 0 1\nv 1 0 0\nf 0000001/00000000001/1 2/0000002/2 3/3/000000003\n");
    ASSERT_TRUE(zeros.ok) << zeros.error;
    EXPECT_EQ(zeros.parse.faces[0].corners[0].texcoord, 1);
    EXPECT_EQ(zeros.parse.faces[0].corners[2].normal, 3);
    free_terrain_parse(&zeros.parse);
    const char* refused[][2] = {{"9999999", "9999999"}, {"99999999", "99999999"}, {"12345678901234", "123456789012"}};
    for (auto& r : refused) {
        Loaded l2 = load_text(std::string("v 0 0 0\nf 1/1/1 1/1/") + r[0] + " 1/1/1\n");
        EXPECT_NE(l2.error.find(std::string("normal number ") + r[1] + ","), std::string::npos) << l2.error;
    }
}

TEST(TerrainFile, ManyRandomFloatsRoundExactlyAsStrtof) {
    std::string text;
    unsigned state = 12345;
    std::vector<std::string> written;
    for (int i = 0; i < 2000; ++i) {
        state = state * 1103515245u + 12345u;
        char buffer[64];
        snprintf(buffer, sizeof buffer, "%.*f", (int)(state % 9), ((int)(state >> 8) % 2000000 - 1000000) / 997.0);
        written.push_back(buffer);
        text += std::string("v ") + buffer + " 0 0\n";
    }
    Loaded l = load_text(text + ONE_FACE);
    ASSERT_TRUE(l.ok);
    for (size_t i = 0; i < written.size(); ++i) {
        float expected = strtof(written[i].c_str(), nullptr);
        ASSERT_EQ(expected, l.parse.vertices[i].x) << written[i];
    }
    free_terrain_parse(&l.parse);
}

TEST(TerrainFileRefusals, FaceNumbersOutsideTheVerticesNameFileAndLine) {
    const char* cases[] = {
        "v 0 0 0\nv 0 0 1\nv 1 0 0\nf 1/1/1 2/2/2 4/4/4\n",  // one past the last vertex
        "v 0 0 0\nv 0 0 1\nv 1 0 0\nf 0/1/1 2/2/2 3/3/3\n",  // zero
        "v 0 0 0\nv 0 0 1\nv 1 0 0\nf -1/1/1 2/2/2 3/3/3\n", // negative
        "v 0 0 0\nv 0 0 1\nv 1 0 0\nf 1/9/1 2/2/2 3/3/3\n",  // texcoord
        "v 0 0 0\nv 0 0 1\nv 1 0 0\nf 1/1/1 2/2/99999999999999 3/3/3\n",  // normal, beyond int
    };
    for (const char* text : cases) {
        Loaded l = load_text(text, "bad.dem");
        EXPECT_FALSE(l.ok) << text;
        EXPECT_NE(l.error.find("bad.dem line 4"), std::string::npos) << l.error;
        EXPECT_EQ(l.parse.vertices, nullptr);
    }
}

TEST(TerrainFileRefusals, CornerWordsNeedAllThreeNumbers) {
    const char* cases[] = {"f 1//1 2/2/2 3/3/3\n", "f 1 2 3\n", "f 1/1 2/2 3/3\n", "f 1/1/1 2/2/2\n",
                           "f 1/1/1 2/2/2 x/3/3\n"};
    for (const char* face : cases) {
        Loaded l = load_text(std::string("v 0 0 0\nv 0 0 1\nv 1 0 0\n") + face);
        EXPECT_FALSE(l.ok) << face;
        EXPECT_NE(l.error.find("line 4"), std::string::npos) << l.error;
        EXPECT_NE(l.error.find("needs three numbers"), std::string::npos) << l.error;
    }
}

TEST(TerrainFileRefusals, TexcoordLinesBeyondTheVerticesAndUnreadableNumbers) {
    Loaded extra = load_text("v 0 0 0\nvt 0 0\nvt 1 1\n" + std::string(ONE_FACE));
    EXPECT_FALSE(extra.ok);
    EXPECT_NE(extra.error.find("line 3"), std::string::npos) << extra.error;

    Loaded bad_vertex = load_text("v 0 0 0\nv 1 abc 2\n" + std::string(ONE_FACE));
    EXPECT_FALSE(bad_vertex.ok);
    EXPECT_NE(bad_vertex.error.find("line 2"), std::string::npos) << bad_vertex.error;

    Loaded missing = load_text("v 1 2\n");
    EXPECT_FALSE(missing.ok);
}

TEST(TerrainFileRefusals, NumbersThatAreNotFiniteOrDoNotFitAFloatNameTheLine) {
    const char* cases[] = {"v nan 0 0\n", "v 0 inf 0\n", "v 0 0 -INFINITY\n", "v 0 1e39 0\n",
                           "v 0x1p200 0 0\n", "vt 0 1e39\n", "vt nan 0\n", "vt -inf 1\n"};
    for (const char* line : cases) {
        Loaded l = load_text(std::string("v 0 0 0\nv 1 0 1\n") + line + ONE_FACE, "odd.dem");
        EXPECT_FALSE(l.ok) << line;
        EXPECT_NE(l.error.find("odd.dem line 3"), std::string::npos) << l.error;
        EXPECT_NE(l.error.find("finite"), std::string::npos) << l.error;
    }
}

TEST(TerrainFileRefusals, AFileWithoutVerticesOrFacesIsNotATerrain) {
    std::string noise;
    for (int i = 0; i < 4096; ++i) noise += (char)((i * 7919) % 251 + 1);
    const std::string cases[] = {"", "v 1 2 3\nv 4 5 6\n", "f 1/1/1 1/1/1 1/1/1\n", noise,
                                 "usemtl x\nvn 0 1 0\n# only talk\n"};
    for (const std::string& text : cases) {
        Loaded l = load_text(text, "hollow.dem");
        EXPECT_FALSE(l.ok);
        EXPECT_NE(l.error.find("hollow.dem is not a terrain"), std::string::npos) << l.error;
        EXPECT_EQ(l.parse.vertices, nullptr);
    }
}

TEST(TerrainFileRefusals, CountedLinesMustFitTheFileBeforeAnythingIsAllocated) {
    // 200000 bare "v " lines would ask for 13 MB of vertex records from 600 KB.
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "v \n";
    Loaded l = load_text(text + ONE_FACE, "thin.dem");
    EXPECT_FALSE(l.ok);
    EXPECT_NE(l.error.find("cannot fit in its 600020 bytes"), std::string::npos) << l.error;
    // The same count of real lines loads.
    text.clear();
    for (int i = 0; i < 200000; ++i) text += "v 1-1-1\n";
    Loaded real = load_text(text + ONE_FACE);
    EXPECT_TRUE(real.ok) << real.error;
    free_terrain_parse(&real.parse);
}

TEST(TerrainFileRefusals, MissingFileOrDirectoryNamesThePath) {
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    EXPECT_FALSE(read_terrain_file("/nonexistent/dir/x.dem", &parse, error, sizeof error));
    EXPECT_NE(std::string(error).find("/nonexistent/dir/x.dem"), std::string::npos);
    EXPECT_FALSE(read_terrain_file("/tmp", &parse, error, sizeof error));
}

namespace {
// A fan of `faces` triangles around vertex 1, with the shared vertex at corner `corner`.
std::string fan(int faces, int corner) {
    std::string text = "v 0 0 0\n";
    for (int i = 0; i <= faces; ++i) {
        double a = -2.0 * M_PI * i / (faces + 1);
        text += "v " + std::to_string(std::cos(a)) + " 0 " + std::to_string(std::sin(a)) + "\n";
    }
    for (int i = 0; i < faces; ++i) {
        std::string c[3] = {"1/1/1", std::to_string(i + 2) + "/1/1", std::to_string(i + 3) + "/1/1"};
        std::string words[3];
        for (int k = 0; k < 3; ++k) words[(k + corner) % 3] = c[k];
        text += "f " + words[0] + " " + words[1] + " " + words[2] + "\n";
    }
    return text;
}
}  // namespace

TEST(TerrainFileFaceLimit, EightFacesLoadAndANinthIsRefusedByCorner) {
    Loaded eight = load_text(fan(8, 0));
    ASSERT_TRUE(eight.ok) << eight.error;
    EXPECT_EQ(eight.parse.vertices[0].face_count, 8);
    free_terrain_parse(&eight.parse);

    Loaded at0 = load_text(fan(9, 0));
    EXPECT_FALSE(at0.ok);
    EXPECT_NE(at0.error.find("MORE THAN 8 faces per vertex...model type unsuitable"), std::string::npos);

    Loaded at1 = load_text(fan(9, 1));
    EXPECT_FALSE(at1.ok);
    EXPECT_NE(at1.error.find("This is the error"), std::string::npos) << at1.error;
    Loaded at2 = load_text(fan(9, 2));
    EXPECT_NE(at2.error.find("This is the error"), std::string::npos) << at2.error;
}

TEST(TerrainSettings, SpeedTableFromTheWidthRange) {
    struct { float max_x; int width; int speed; } rows[] = {
        {0, 0, 2}, {95, 95, 2}, {99, 99, 2}, {99.9f, 99, 2}, {100, 100, 10}, {109, 109, 10},
        {110, 110, 11}, {1234, 1234, 123}};
    for (auto& row : rows) {
        TerrainSettings s = derive_terrain_settings(0, row.max_x, 0, 0);
        EXPECT_EQ(s.width_range, row.width) << row.max_x;
        EXPECT_EQ(s.move_speed, row.speed) << row.max_x;
    }
    TerrainSettings s = derive_terrain_settings(-600, 634, -100, 1134);
    EXPECT_EQ(s.width_range, 1234);
    EXPECT_EQ(s.move_speed, 123);
    EXPECT_EQ(s.height_range, 1234);
    EXPECT_EQ(s.height_step, 123);
}

TEST(TerrainSettings, MarkerFogAndLightFollowTheExtents) {
    TerrainSettings s = derive_terrain_settings(-10, 600, -5, 250);
    EXPECT_FLOAT_EQ(s.marker_radius, 2.0f);
    EXPECT_FLOAT_EQ(s.fog_end, 500.0f);
    EXPECT_FLOAT_EQ(s.light_y, 300.0f);
    TerrainSettings huge = derive_terrain_settings(-1e30f, 1e30f, 0, INFINITY);
    EXPECT_GT(huge.move_speed, 10);
}

using TerrainMesh = ViewerTest;

TEST_F(TerrainMesh, ASecondSmallerLoadStartsAgainFromZero) {
    Loaded big = load_text(grid_terrain_text(20, 10, ramp));
    ASSERT_TRUE(big.ok);
    install_terrain_mesh(&big.parse);
    EXPECT_EQ(terrain_vertex_count, 200);
    EXPECT_FLOAT_EQ(terrain_max_y, 28.0f);

    Loaded small = load_text(grid_terrain_text(3, 2, flat));
    ASSERT_TRUE(small.ok);
    install_terrain_mesh(&small.parse);
    EXPECT_EQ(terrain_vertex_count, 6);
    EXPECT_EQ(terrain_face_count, 4);
    EXPECT_FLOAT_EQ(terrain_max_x, 2.0f);
    EXPECT_FLOAT_EQ(terrain_max_y, 0.0f);
    EXPECT_EQ(small.parse.vertices, nullptr);

    TerrainSettings s = apply_terrain_settings();
    EXPECT_EQ(s.move_speed, 2);
}

TEST_F(TerrainMesh, ExaggerationStepsRestoreHeights) {
    Loaded l = load_text(grid_terrain_text(4, 4, ramp));
    ASSERT_TRUE(l.ok);
    install_terrain_mesh(&l.parse);
    scale_terrain_heights(true);
    EXPECT_FLOAT_EQ(terrain_vertices[5].y, 2.5f);
    scale_terrain_heights(true);
    scale_terrain_heights(false);
    scale_terrain_heights(false);
    for (int i = 0; i < terrain_vertex_count; ++i)
        EXPECT_NEAR(terrain_vertices[i].y, (float)(i % 4 + i / 4), 1e-5f);
    EXPECT_FLOAT_EQ(terrain_max_y, 6.0f);  // extents are not recomputed
}

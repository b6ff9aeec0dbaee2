// The counting and parsing passes on two threads: wherever the text is cut,
// the arrays, counts and refusals are those of a read in one piece.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "files/terrain_file.h"
#include "files/terrain_normals.h"
#include "tests/support/temp_files.h"

namespace {

struct SplitRead {
    bool ok;
    TerrainCounts counts;
    TerrainParse parse;
    std::string error;
};

// Counts and parses `text` with its second part starting at the first line
// start at or after `cut`.
SplitRead read_split(const std::string& text, size_t cut) {
    SplitRead r;
    r.ok = count_terrain_lines(text.data(), text.size(), cut, &r.counts);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(allocate_terrain_parse(&r.parse, r.counts.vertex_count, r.counts.face_count));
    char error[TERRAIN_ERROR_SIZE] = "";
    r.ok = parse_terrain_lines(text.data(), text.size(), "t.obj", &r.counts, &r.parse, error, sizeof error);
    r.error = error;
    return r;
}

// Every cut of `text` reads as the whole text read in one part.
void expect_every_cut_reads_alike(const std::string& text) {
    SplitRead whole = read_split(text, text.size());
    std::vector<size_t> cuts = {TERRAIN_CUT_BALANCED};
    for (size_t cut = 0; cut <= text.size(); ++cut) cuts.push_back(cut);
    for (size_t cut : cuts) {
        SplitRead split = read_split(text, cut);
        size_t start = split.counts.part_start[1];
        ASSERT_TRUE(start == 0 || start == text.size() || text[start - 1] == '\n') << "cut " << cut;
        ASSERT_EQ(split.ok, whole.ok) << "cut " << cut;
        ASSERT_EQ(split.error, whole.error) << "cut " << cut;
        ASSERT_EQ(split.counts.vertex_count, whole.counts.vertex_count);
        ASSERT_EQ(split.counts.face_count, whole.counts.face_count);
        if (whole.ok) {
            ASSERT_EQ(0, memcmp(split.parse.vertices, whole.parse.vertices,
                                sizeof(TerrainVertex) * whole.parse.vertex_count))
                << "cut " << cut;
            ASSERT_EQ(0, memcmp(split.parse.faces, whole.parse.faces, sizeof(TerrainFace) * whole.parse.face_count))
                << "cut " << cut;
            ASSERT_EQ(split.parse.max_y, whole.parse.max_y);
            ASSERT_EQ(split.parse.min_z, whole.parse.min_z);
        }
        free_terrain_parse(&split.parse);
    }
    free_terrain_parse(&whole.parse);
}

float hills(int x, int z) { return std::sin(x * 0.7f) * 3.0f + z * 0.25f; }

// Eight faces around vertex 1 and a ninth at corner `corner`, with other
// lines between them.
std::string ninth_face_at(int corner) {
    std::string text = "v 0 0 0\n";
    for (int i = 0; i < 10; ++i)
        text += "v " + std::to_string(std::cos(i * 0.6)) + " 0 " + std::to_string(std::sin(i * 0.6)) + "\n";
    for (int i = 0; i < 9; ++i) {
        std::string words[3] = {"1/1/1", std::to_string(i + 3) + "/1/1", std::to_string(i + 2) + "/1/1"};
        std::string rotated[3];
        for (int k = 0; k < 3; ++k) rotated[(k + (i == 8 ? corner : 0)) % 3] = words[k];
        text += "f " + rotated[0] + " " + rotated[1] + " " + rotated[2] + "\n# between faces\n";
    }
    return text;
}

}  // namespace

TEST(TerrainSplitLoad, GridsReadAlikeAtEveryCutWithLfAndCrlf) {
    expect_every_cut_reads_alike(grid_terrain_text(5, 4, hills, "\n"));
    expect_every_cut_reads_alike(grid_terrain_text(5, 4, hills, "\r\n"));
}

TEST(TerrainSplitLoad, LongLinesSplitInTheSameChunksWhereverTheCutFalls) {
    // A comment whose 99-character chunk ends where "v 5 6 7" begins, a face
    // line with words after its corners, a vertex line whose last number
    // falls into the next chunk's "line", and an unterminated last line.
    std::string text = "#" + std::string(98, 'x') + "v 5 6 7\n" + "v 0 0 0\nv 0 0 1\nv 1 0 0\n" +
                       "f 1/1/1 2/2/2 3/3/3 " + std::string(150, 'y') + "\n" + "vt 0.5 0.25\n" +
                       "#" + std::string(250, 'z') + "\r\n" + "f 3/3/3 2/2/2 4/4/4";
    expect_every_cut_reads_alike(text);
    SplitRead r = read_split(text, text.size() / 2);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.vertex_count, 4);
    EXPECT_EQ(r.counts.face_count, 2);
    EXPECT_FLOAT_EQ(r.parse.vertices[0].x, 5.0f);
    free_terrain_parse(&r.parse);
}

TEST(TerrainSplitLoad, FacesBeforeTheirVerticesGetTheSameNormalsAndLists) {
    // The face normal is taken from the positions read so far: vertex 3 is
    // still at the origin when the first face is read.
    std::string text = "v 0 0 0\nv 0 0 1\nf 1/1/1 2/2/2 3/3/3\nv 1 0 0\nv 1 1 1\nf 3/3/3 2/2/2 4/4/4\n"
                       "f 1/1/1 2/2/2 3/3/3\n";
    expect_every_cut_reads_alike(text);
    SplitRead r = read_split(text, 30);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.parse.faces[0].ny, 0.0f);  // degenerate while vertex 3 was unread
    EXPECT_EQ(r.parse.faces[2].ny, 1.0f);
    EXPECT_EQ(r.parse.vertices[2].face_count, 3);
    EXPECT_EQ(r.parse.vertices[2].faces[1], 1);
    free_terrain_parse(&r.parse);
}

TEST(TerrainSplitLoad, RefusalsNameTheSameFirstLine) {
    // A ninth face reported by its corner, wherever the faces around the vertex were cut.
    expect_every_cut_reads_alike(ninth_face_at(0));
    expect_every_cut_reads_alike(ninth_face_at(2));
    SplitRead at2 = read_split(ninth_face_at(2), 200);
    EXPECT_NE(at2.error.find("t.obj line 28: vertex 1 would belong to a ninth face\nThis is the error"),
              std::string::npos)
        << at2.error;
    free_terrain_parse(&at2.parse);

    // A ninth face before a bad line wins; a bad line before a ninth face wins.
    expect_every_cut_reads_alike(ninth_face_at(1) + "v 1 oops 2\n");
    std::string bad_first = ninth_face_at(1);
    bad_first.insert(bad_first.find("f "), "vt 1\n");
    expect_every_cut_reads_alike(bad_first);
    SplitRead r = read_split(bad_first, bad_first.size() - 10);
    EXPECT_NE(r.error.find("line 12: a texture coordinate line"), std::string::npos) << r.error;
    free_terrain_parse(&r.parse);

    // Bad numbers and too many "vt" lines in the second part.
    expect_every_cut_reads_alike(grid_terrain_text(3, 3, hills) + "f 1/1/1 2/2/2 10/1/1\n");
    expect_every_cut_reads_alike("v 0 0 0\nvt 0 0\n# x\nvt 1 1\n");
}

// A file's pages handed back as the passes read it: nothing of it is lost,
// the mesh is that of the same text read from memory.
TEST(TerrainSplitLoad, AMappedFileReadsAlikeWithItsPagesHandedBack) {
    const std::string text = grid_terrain_text(200, 150, hills);
    ASSERT_GT(text.size(), 16u * 4096);
    const std::string path = write_temp_file("mapped.obj", text);
    TerrainText mapped;
    ASSERT_TRUE(open_terrain_text(path.c_str(), &mapped));
    release_terrain_text_pages(&mapped, mapped.data, mapped.data + mapped.size);
    EXPECT_EQ(std::string(mapped.data, mapped.size), text);
    close_terrain_text(&mapped);

    SplitRead memory = read_split(text, TERRAIN_CUT_BALANCED);
    average_vertex_normals(memory.parse.vertices, memory.parse.vertex_count, memory.parse.faces, memory.parse.face_count);
    TerrainParse file;
    char error[TERRAIN_ERROR_SIZE] = "";
    ASSERT_TRUE(read_terrain_file(path.c_str(), &file, error, sizeof error)) << error;
    ASSERT_EQ(file.face_count, memory.parse.face_count);
    EXPECT_EQ(0, memcmp(file.faces, memory.parse.faces, sizeof(TerrainFace) * file.face_count));
    EXPECT_EQ(0, memcmp(file.vertices, memory.parse.vertices, sizeof(TerrainVertex) * file.vertex_count));
    free_terrain_parse(&file);
    free_terrain_parse(&memory.parse);
}

// Reshaping the terrain by hand and keeping the result in dump.dem.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "files/terrain_file.h"
#include "input/key_edits.h"
#include "state/frame_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/world_state.h"
#include "terrain/mesh_edit.h"
#include "terrain/terrain_dump.h"
#include "terrain/terrain_mesh.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

// Two faces over a unit square, counter-clockwise from above, with a raised corner.
const char* SQUARE =
    "v 0 0 0\nv 0 0 1\nv 1 2 0\nv 1 0 1\n"
    "vt 0 0\nvt 0 1\nvt 1 0\nvt 1 1\n"
    "f 1/1/1 2/2/2 3/3/3\nf 3/3/3 2/2/2 4/4/4\n";

void install(const std::string& text) {
    TerrainParse parse;
    char error[TERRAIN_ERROR_SIZE];
    ASSERT_TRUE(read_terrain_file(write_temp_file("edit.obj", text).c_str(), &parse, error, sizeof error)) << error;
    install_terrain_mesh(&parse);
    apply_terrain_settings();  // edit_amount 1.0, picked_face 0
}

class MeshEdit : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        install(SQUARE);
        // The load marked face 0's corners; at the origin they show which
        // axes an edit moves them along.
        for (auto& m : pick_marker) m[0] = m[1] = m[2] = 0.0;
    }
    MovedVertices moved;
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string dump() {
    std::string path = make_temp_dir() + "/dump.dem";
    char error[256];
    EXPECT_TRUE(write_terrain_dump(path.c_str(), error, sizeof error)) << error;
    return path;
}

}  // namespace

TEST_F(MeshEdit, AxisStepsMoveTheVertexEdgeOrFaceAndOnlyThatMarkerAxis) {
    picked_corner = 1;
    ASSERT_TRUE(edit_picked_mesh(MESH_EDIT_VERTEX, 2, &moved));  // vertex mode, corner 1, y up
    EXPECT_FLOAT_EQ(terrain_vertices[1].y, 1.0f);
    EXPECT_FLOAT_EQ(terrain_vertices[0].y, 0.0f);
    EXPECT_DOUBLE_EQ(pick_marker[1][1], 1.0);
    EXPECT_DOUBLE_EQ(pick_marker[1][2], 0.0);  // z was not changed, so the marker keeps its 0
    ASSERT_EQ(moved.count, 1);
    EXPECT_EQ(moved.vertex[0], 1);

    picked_corner = 2;  // line mode: the edge from corner 2 to corner 0
    ASSERT_TRUE(edit_picked_mesh(MESH_EDIT_LINE, 4, &moved));
    EXPECT_FLOAT_EQ(terrain_vertices[2].x, 0.0f);
    EXPECT_FLOAT_EQ(terrain_vertices[0].x, -1.0f);
    EXPECT_FLOAT_EQ(terrain_vertices[1].x, 0.0f);
    EXPECT_DOUBLE_EQ(pick_marker[2][0], 0.0);
    EXPECT_DOUBLE_EQ(pick_marker[0][0], -1.0);

    ASSERT_TRUE(edit_picked_mesh(MESH_EDIT_FACE, 3, &moved));  // face mode: all three corners
    EXPECT_EQ(moved.count, 3);
    EXPECT_FLOAT_EQ(terrain_vertices[0].z, 1.0f);
    EXPECT_FLOAT_EQ(terrain_vertices[3].z, 1.0f);  // not a corner of face 0
    EXPECT_FALSE(edit_picked_mesh(MESH_EDIT_FACE, 0, &moved));
    EXPECT_FALSE(edit_picked_mesh(MESH_EDIT_FACE, 7, &moved));
}

TEST_F(MeshEdit, NormalStepsUseTheNormalsOfTheLoadedMesh) {
    float nx = terrain_faces[0].nx, ny = terrain_faces[0].ny;
    float x0 = terrain_vertices[0].x, y0 = terrain_vertices[0].y;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(edit_picked_mesh(MESH_EDIT_FACE, 8, &moved));
    EXPECT_FLOAT_EQ(terrain_faces[0].nx, nx);  // not recomputed
    EXPECT_NEAR(terrain_vertices[0].x, x0 + 3 * nx, 1e-5);
    EXPECT_NEAR(terrain_vertices[0].y, y0 + 3 * ny, 1e-5);
    EXPECT_DOUBLE_EQ(pick_marker[0][1], terrain_vertices[0].y);

    // Vertex mode: 8 then 9 along the vertex's own averaged normal returns it.
    picked_corner = 2;
    float before[3] = {terrain_vertices[2].x, terrain_vertices[2].y, terrain_vertices[2].z};
    ASSERT_TRUE(edit_picked_mesh(MESH_EDIT_VERTEX, 8, &moved));
    EXPECT_NE(terrain_vertices[2].y, before[1]);
    ASSERT_TRUE(edit_picked_mesh(MESH_EDIT_VERTEX, 9, &moved));
    for (int k = 0; k < 3; ++k) EXPECT_NEAR((&terrain_vertices[2].x)[k], before[k], 1e-5);
}

TEST_F(MeshEdit, EditsStayInsideTheMesh) {
    picked_face = terrain_face_count - 1;
    EXPECT_FALSE(step_mesh_pick(DIGIT_FACE));  // the last face stays picked
    EXPECT_EQ(picked_face, 1);
    picked_face = 2;
    EXPECT_FALSE(edit_picked_mesh(MESH_EDIT_FACE, 8, &moved));
    picked_face = -1;
    EXPECT_FALSE(edit_picked_mesh(MESH_EDIT_VERTEX, 1, &moved));
    EXPECT_FALSE(extrude_face(-1));
    EXPECT_TRUE(extrude_face(0));
    EXPECT_FALSE(depress_face(2));
    picked_face = 0;
    picked_corner = 5;  // out of range: taken modulo 3
    EXPECT_TRUE(edit_picked_mesh(MESH_EDIT_VERTEX, 1, &moved));
    EXPECT_EQ(moved.vertex[0], terrain_faces[0].corners[2].vertex - 1);

    int faces = terrain_face_count;
    terrain_face_count = 0;  // a mesh with no faces (the loader refuses one) ignores every edit
    picked_face = 0;
    EXPECT_FALSE(edit_picked_mesh(MESH_EDIT_FACE, 8, &moved));
    terrain_face_count = faces;
}

TEST_F(MeshEdit, DumpHoldsTheEditedMeshAndLoadsBackToTheSameLines) {
    std::string first = read_file(dump());
    std::vector<std::string> lines = lines_of(first);
    ASSERT_EQ(lines.size(), 15u);  // header, 4 v, 4 vt, 4 vn, 2 f
    EXPECT_EQ(lines[0], "# Kestrolane DEM");
    EXPECT_EQ(lines[3], "v 1.000000 2.000000 0.000000");
    EXPECT_EQ(lines[5], "vt 0.000000 0.000000");
    EXPECT_EQ(lines[9].rfind("vn ", 0), 0u);
    EXPECT_EQ(lines[14], "f 3/3/3 2/2/2 4/4/4");
    EXPECT_EQ(first.find('\r'), std::string::npos);

    std::string normal_line = lines[11];
    scale_terrain_heights(true);  // one exaggeration step
    lines = lines_of(read_file(dump()));
    EXPECT_EQ(lines[3], "v 1.000000 2.500000 0.000000");
    EXPECT_EQ(lines[11], normal_line);  // normals as loaded

    // dump -> load -> dump: the same v, vt and f lines.
    std::string path = dump(), again_text = read_file(path);
    install(again_text);
    std::vector<std::string> again = lines_of(read_file(dump())), before = lines_of(again_text);
    ASSERT_EQ(again.size(), before.size());
    for (size_t i = 0; i < again.size(); ++i) {
        if (before[i].rfind("vn ", 0) == 0) continue;
        EXPECT_EQ(again[i], before[i]) << i;
    }
    char error[256];
    EXPECT_FALSE(write_terrain_dump("/nonexistent/dump.dem", error, sizeof error));
}

namespace {

std::vector<std::string> frames_shown;  // message_text at each frame the save showed

void record_frame() { frames_shown.push_back(message_visible ? message_text : ""); }

}  // namespace

TEST_F(MeshEdit, TheTraySaveSaysSoBeforeTheWorkAndReportsTheSizeWritten) {
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    const std::string dir = make_temp_dir();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    frames_shown.clear();
    set_frame_drawer(record_frame);
    EXPECT_TRUE(save_terrain_dump());
    set_frame_drawer(nullptr);
    ASSERT_EQ(chdir(previous), 0);

    const std::string written = read_file(dir + "/" + DEM_DUMP_NAME);
    ASSERT_FALSE(written.empty());
    const std::string saved = "Saved dump.dem: " + std::to_string(written.size()) + " bytes";
    EXPECT_EQ(frames_shown, (std::vector<std::string>{"Saving dump.dem...", saved}));
    EXPECT_EQ(std::string(message_text), saved);
}

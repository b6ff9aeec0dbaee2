// The digit dispatch and the item, light, replicate and material edits.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "files/texture_file.h"
#include "geometry/geometry_layer.h"
#include "input/key_edits.h"
#include "state/app_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/world_state.h"
#include "tests/support/viewer_test.h"

namespace {

using KeyEdits = ViewerTest;

void add_items(int n) {
    for (int i = 0; i < n; ++i) add_geometry_item(GEOMETRY_SPHERE, (float)i, 0, 0);
}

}  // namespace

TEST_F(KeyEdits, DigitModesAreTestedInTheirFixedOrder) {
    EXPECT_EQ(digit_edit_mode(), DIGIT_NONE);
    int* flags[] = {&material_edit_mode, &replicate_mode, &geometry_transform_mode, &face_edit_mode,
                    &line_edit_mode, &vertex_edit_mode, &light_edit_mode};
    DigitMode expected[] = {DIGIT_MATERIAL, DIGIT_REPLICATE, DIGIT_TRANSFORM, DIGIT_FACE,
                            DIGIT_LINE, DIGIT_VERTEX, DIGIT_LIGHT};
    // Switching on each earlier mode in turn takes over from all later ones.
    for (int i = 0; i < 7; ++i) {
        *flags[i] = 1;
        EXPECT_EQ(digit_edit_mode(), expected[i]) << i;
    }
}

TEST_F(KeyEdits, LightingDigitsChangeColoursAndHeightOnly) {
    float ambient[4], position[4];
    memcpy(ambient, light0_ambient, sizeof ambient);
    memcpy(position, light0_position, sizeof position);
    EXPECT_EQ(apply_light_digit(1), LIGHT_AMBIENT);
    EXPECT_FLOAT_EQ(light0_ambient[0], ambient[0] + 0.1f);
    EXPECT_FLOAT_EQ(light0_ambient[3], ambient[3]);
    EXPECT_EQ(apply_light_digit(4), LIGHT_AMBIENT);
    EXPECT_FLOAT_EQ(light0_ambient[2], ambient[2]);
    EXPECT_EQ(apply_light_digit(7), LIGHT_POSITION);
    EXPECT_FLOAT_EQ(light0_position[1], position[1] + 1.0f);
    EXPECT_EQ(apply_light_digit(8), LIGHT_POSITION);
    EXPECT_EQ(apply_light_digit(9), 0);
    EXPECT_EQ(apply_light_digit(0), 0);
    EXPECT_FLOAT_EQ(light0_position[1], position[1]);
}

TEST_F(KeyEdits, TransformNextAndPreviousWrapAroundTheItems) {
    add_items(3);
    selected_item = 2;
    apply_transform_digit(7);
    EXPECT_EQ(selected_item, 0);
    apply_transform_digit(0);
    EXPECT_EQ(selected_item, 2);
    selected_item = 1;
    apply_transform_digit(0);
    EXPECT_EQ(selected_item, 0);
    apply_transform_digit(1);
    apply_transform_digit(3);
    apply_transform_digit(8);
    EXPECT_FLOAT_EQ(geometry_items[0].z, 1.0f);
    EXPECT_FLOAT_EQ(geometry_items[0].x, 1.0f);
    EXPECT_FLOAT_EQ(geometry_items[0].size, 6.0f);
}

TEST_F(KeyEdits, ItemKeysOnAnEmptyLayerOrOutOfRangeSelectionDoNothing) {
    apply_transform_digit(1);
    apply_transform_digit(7);
    EXPECT_EQ(selected_item, 0);
    add_items(2);
    selected_item = 5;
    move_selected_item(1, 1, 1);
    rotate_selected_item(1, 1, 1);
    resize_selected_item(1);
    selected_item = -3;
    move_selected_item(1, 1, 1);
    EXPECT_FLOAT_EQ(geometry_items[1].x, 1.0f);
    EXPECT_FLOAT_EQ(geometry_items[1].size, 5.0f);
    EXPECT_FLOAT_EQ(geometry_items[2].size, 0.0f);  // never touched
}

TEST_F(KeyEdits, MovingTheSelectedItemShowsItsPosition) {
    add_items(2);
    selected_item = 1;
    move_selected_item(0, 0, -1.0f);
    EXPECT_STREQ(item_readout_text, "1.00 0.00 -1.00");
    rotate_selected_item(0, 0, 1.0f);
    EXPECT_FLOAT_EQ(geometry_items[1].rz, 1.0f);
}

TEST_F(KeyEdits, ReplicateAndMaterialDigits) {
    float offset_x = replicate_offset[0];
    int quantity = replicate_quantity;
    EXPECT_FALSE(apply_replicate_digit(1));
    EXPECT_FLOAT_EQ(replicate_offset[0], offset_x + 1.0f);
    EXPECT_FALSE(apply_replicate_digit(4));
    EXPECT_EQ(replicate_quantity, quantity + 1);
    EXPECT_TRUE(apply_replicate_digit(5));
    EXPECT_FALSE(apply_replicate_digit(0));

    float diffuse[4];
    memcpy(diffuse, material_diffuse, sizeof diffuse);
    apply_material_digit(2);
    EXPECT_FLOAT_EQ(material_diffuse[1], diffuse[1] + 1.0f);
    apply_material_digit(6);
    EXPECT_FLOAT_EQ(material_diffuse[2], diffuse[2] - 1.0f);
    for (int d : {7, 8, 9, 0}) apply_material_digit(d);
    EXPECT_FLOAT_EQ(material_diffuse[0], diffuse[0]);
    EXPECT_FLOAT_EQ(material_diffuse[3], diffuse[3]);
}

TEST_F(KeyEdits, MeshPickStepsCornersAndStaysOnTheFaces) {
    EXPECT_TRUE(step_mesh_pick(DIGIT_VERTEX));
    EXPECT_TRUE(step_mesh_pick(DIGIT_LINE));
    EXPECT_TRUE(step_mesh_pick(DIGIT_VERTEX));
    EXPECT_EQ(picked_corner, 0);
    terrain_face_count = 2;
    EXPECT_TRUE(step_mesh_pick(DIGIT_FACE));
    EXPECT_EQ(picked_face, 1);
    EXPECT_FALSE(step_mesh_pick(DIGIT_FACE));
    EXPECT_EQ(picked_face, 1);
    terrain_face_count = 0;
    picked_face = 0;
    EXPECT_FALSE(step_mesh_pick(DIGIT_FACE));
}

TEST_F(KeyEdits, TexelLocationFlipsTAndRepeats) {
    int column, row;
    ASSERT_TRUE(locate_texel(0.0f, 1.0f, 256, 128, &column, &row));
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);  // t = 1 is image row 0
    ASSERT_TRUE(locate_texel(0.5f, 0.25f, 256, 128, &column, &row));
    EXPECT_EQ(column, 128);
    EXPECT_EQ(row, 96);
    ASSERT_TRUE(locate_texel(1.0f, 0.0f, 256, 128, &column, &row));
    EXPECT_EQ(column, 255);  // the far edges are the last texels
    EXPECT_EQ(row, 127);
    ASSERT_TRUE(locate_texel(1.25f, 0.0f, 256, 128, &column, &row));
    EXPECT_EQ(column, 64);  // beyond the image, coordinates repeat
    ASSERT_TRUE(locate_texel(-0.25f, 3.75f, 4, 4, &column, &row));
    EXPECT_EQ(column, 3);
    EXPECT_EQ(row, 1);
    ASSERT_TRUE(locate_texel(0.9999999f, 1e-9f, 3, 3, &column, &row));
    EXPECT_LT(column, 3);
    EXPECT_LT(row, 3);
    EXPECT_FALSE(locate_texel(0.5f, 0.5f, 0, 4, &column, &row));
}

TEST_F(KeyEdits, GeometryLayerHoldsAtMost5000Items) {
    augment_billboard = 2;
    EXPECT_EQ(add_geometry_item(GEOMETRY_BILLBOARD, 1, 2, 3), 0);
    EXPECT_EQ(geometry_items[0].texture, 2);
    EXPECT_FLOAT_EQ(geometry_items[0].size, 5.0f);
    EXPECT_EQ(add_geometry_item(GEOMETRY_CONE, 1, 2, 3), 1);
    EXPECT_EQ(geometry_items[1].texture, 0);
    geometry_item_count = MAX_GEOMETRY_ITEMS;
    EXPECT_EQ(add_geometry_item(GEOMETRY_SPHERE, 0, 0, 0), -1);
    EXPECT_EQ(geometry_item_count, MAX_GEOMETRY_ITEMS);
}

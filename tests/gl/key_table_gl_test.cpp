// The key table: one meaning per key, and the gates that hold some keys back.
#include <gtest/gtest.h>

#include <string>

#include "input/key_table.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "tests/gl/gl_support.h"

namespace {
using KeyTable = GlTest;
}

TEST_F(KeyTable, EveryRowIsReachableAndSaysWhatItDoes) {
    for (int i = 0; i < KEY_COMMAND_COUNT; ++i) {
        const KeyCommand& row = KEY_COMMANDS[i];
        EXPECT_EQ(find_key_command(row.key, row.special, row.modifiers == KEY_ANY_MODIFIERS ? 0 : row.modifiers),
                  &row)
            << "row " << i << " (key " << row.key << ") is shadowed by an earlier row";
        EXPECT_NE(row.operation, nullptr) << "row " << i;
        EXPECT_GT(std::string(row.help).size(), 3u) << "row " << i;
    }
    EXPECT_EQ(find_key_command('v', false, 0), nullptr);  // a key without a command does nothing
}

TEST_F(KeyTable, ItemTurnsWaitForTheTransformMode) {
    geometry_item_count = 1;
    geometry_items[0] = GeometryItem{};
    selected_item = 0;
    float before = geometry_items[0].rz;
    EXPECT_FALSE(run_key_command('q', false, 0));
    EXPECT_EQ(geometry_items[0].rz, before);
    geometry_transform_mode = 1;
    EXPECT_TRUE(run_key_command('q', false, 0));
    EXPECT_NE(geometry_items[0].rz, before);
}

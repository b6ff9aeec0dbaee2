// The fixture of the unit tests that touch the viewer's state.
#pragma once

#include <gtest/gtest.h>

#include "state/viewer_state.h"

// Every case starts from the viewer's start state (reset_viewer_state).
class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override { reset_viewer_state(); }
};

// The geometry layer drawn on real Mesa: state left as found, billboards that
// face the viewer, and culling.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "frame/frame.h"
#include "geometry/geometry_layer.h"
#include "scene/geometry_draw.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/terrain_draw_state.h"
#include "tests/gl/gl_support.h"

namespace {

constexpr int SIDE = 256;

// Looks at the origin from `distance` along heading `yaw` (radians).
void look_at_origin(float yaw, float distance) {
    glViewport(0, 0, SIDE, SIDE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(VIEW_FIELD_OF_VIEW, 1.0, VIEW_NEAR, VIEW_FAR);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(distance * std::sin(yaw), 0, distance * std::cos(yaw), 0, 0, 0, 0, 1, 0);
}

// Pixels of the lower-left SIDE x SIDE corner that are not the black background.
int drawn_pixels() {
    std::vector<unsigned char> rgb(SIDE * SIDE * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, SIDE, SIDE, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    int n = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) n += rgb[i] + rgb[i + 1] + rgb[i + 2] > 30;
    return n;
}

// Starts with an empty layer, textures on and the fixed GL state.
using GeometryGl = GlTest;

}  // namespace

TEST_F(GeometryGl, OneOfEachKindLeavesTheTerrainsMaterialAndTheStacks) {
    const float ambient[4] = {0.1f, 0.2f, 0.3f, 1.0f}, diffuse[4] = {0.4f, 0.5f, 0.6f, 1.0f},
                specular[4] = {0.0f, 0.1f, 0.0f, 1.0f}, emission[4] = {0, 0, 0, 1};
    set_material(ambient, diffuse, specular, 7.0f, emission);
    add_geometry_item(GEOMETRY_SPHERE, -6, 0, 0);
    add_geometry_item(GEOMETRY_CONE, 0, 0, 0);
    add_geometry_item(GEOMETRY_BILLBOARD, 6, 0, 0);
    add_geometry_item(9, 0, 6, 0);  // an unknown kind draws nothing
    look_at_origin(0.0f, 30.0f);
    GLint depth_before = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_geometry_layer();
    EXPECT_GT(drawn_pixels(), 500);

    float got[4], shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, got);
    EXPECT_FLOAT_EQ(got[1], 0.5f);
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, got);
    EXPECT_FLOAT_EQ(got[2], 0.3f);
    glGetMaterialfv(GL_FRONT, GL_EMISSION, got);
    EXPECT_FLOAT_EQ(got[0], 0.0f);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(shininess, 7.0f);
    GLint depth_after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
    EXPECT_EQ(depth_after, depth_before);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    // With the terrain untextured, texturing stays off.
    textures_on = 0;
    glDisable(GL_TEXTURE_2D);
    draw_geometry_layer();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(GeometryGl, ABillboardFacesTheViewerFromEveryHeadingAndIsCulledWhenWindingIsReversed) {
    add_geometry_item(GEOMETRY_BILLBOARD, 0, 0, 0);
    geometry_items[0].ry = 90.0f;  // its own angles make no difference
    selected_item = 5;             // no such item: no cube either
    int seen[2];
    for (int view = 0; view < 2; ++view) {
        look_at_origin(view * 1.5708f, 20.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_geometry_layer();
        seen[view] = drawn_pixels();
    }
    EXPECT_GT(seen[0], 500);
    EXPECT_NEAR(seen[1], seen[0], seen[0] * 0.05);

    glFrontFace(GL_CW);  // "Reverse Winding Order"
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_geometry_layer();
    EXPECT_EQ(drawn_pixels(), 0);
}

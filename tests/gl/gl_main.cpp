// GL tests run in one real GLUT window under the X server in DISPLAY, with
// the default world's overlay pictures loaded as the program loads them.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "app/asset_menus.h"
#include "frame/frame.h"
#include "overlay/overlay_textures.h"
#include "state/asset_state.h"
#include "state/frame_state.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Death tests re-run this binary, so each child gets its own window.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("Kestrolane GL tests");
    // The build writes the world beside this binary's working directory.
    if (chdir("world") != 0) {
        fprintf(stderr, "GL tests run from the build directory, which holds world/\n");
        return 2;
    }
    set_frame_drawer(draw_frame);          // as the viewer shows changes at once
    set_asset_relister(relist_asset_menu);  // and lists a saved file in its menu
    load_overlay_textures();
    build_billboard_quad();
    printf("\n");
    if (chdir("..") != 0) return 2;
    return RUN_ALL_TESTS();
}

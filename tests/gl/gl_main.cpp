// GL tests run in one real GLUT window under the X server in DISPLAY.
#include <GL/glut.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Death tests re-run this binary, so each child gets its own window.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("Kestrolane GL tests");
    return RUN_ALL_TESTS();
}

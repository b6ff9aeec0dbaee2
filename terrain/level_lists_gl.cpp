// The GL half of the levels of detail: compiling a level's corners into
// display lists (on the compiling thread's context or the window's),
// deleting them, and the matrices the choice reads.
#include "terrain/level_lists.h"

#include <GL/gl.h>

#include <algorithm>

#include "files/terrain_normals.h"

namespace {

// Flat normals, from the positions, as the faces' own.
void send_face_normal(const LevelCorner* corners) {
    float positions[9], normal[3];
    for (int k = 0; k < 3; ++k)
        for (int a = 0; a < 3; ++a) positions[3 * k + a] = corners[k].position[a];
    face_normal(positions, normal);
    glNormal3fv(normal);
}

}  // namespace

unsigned compile_level_lists(const std::vector<LevelDrawing>& drawings, int normals) {
    if (drawings.empty()) return 0;
    unsigned lists = glGenLists((GLsizei)drawings.size());
    if (!lists) return 0;
    for (size_t i = 0; i < drawings.size(); ++i) {
        glNewList(lists + (unsigned)i, GL_COMPILE);
        glBegin(GL_TRIANGLES);
        const std::vector<LevelCorner>& level = drawings[i].corners;
        size_t end = std::min(drawings[i].triangle_corners, level.size());
        for (size_t c = 0; c + 2 < end; c += 3) {
            if (!normals) send_face_normal(&level[c]);
            for (int k = 0; k < 3; ++k) {
                const LevelCorner& corner = level[c + k];
                if (normals) glNormal3fv(corner.normal);
                glTexCoord2fv(corner.texcoord);
                glVertex3fv(corner.position);
            }
        }
        // Each skirt hangs from its edge a -> b, facing away from its
        // triangle: (a, a low, b) and (b, a low, b low), lit and textured as
        // the edge so that where it shows it passes for the ground.
        for (size_t c = end; c + 2 < level.size(); c += 3) {
            const LevelCorner& a = level[c];
            const LevelCorner& b = level[c + 1];
            if (!normals) send_face_normal(&level[c]);
            const LevelCorner* order[4] = {&a, &a, &b, &b};
            float low[4][3];
            for (int k = 0; k < 4; ++k) {
                std::copy(order[k]->position, order[k]->position + 3, low[k]);
                if (k == 1 || k == 3) low[k][1] -= drawings[i].skirt_depth;
            }
            for (int k : {0, 1, 2, 2, 1, 3}) {
                if (normals) glNormal3fv(order[k]->normal);
                glTexCoord2fv(order[k]->texcoord);
                glVertex3fv(low[k]);
            }
        }
        glEnd();
        glEndList();
    }
    return lists;
}

void finish_level_lists() { glFinish(); }

void delete_level_lists(unsigned lists, int count) {
    if (lists && count > 0) glDeleteLists(lists, (GLsizei)count);
}

void read_level_view(double projection[16], double modelview[16], int* viewport_height) {
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetIntegerv(GL_VIEWPORT, viewport);
    *viewport_height = viewport[3];
}


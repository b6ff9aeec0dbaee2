// The red/blue anaglyph terrain pair. Each copy is shifted and turned in
// world coordinates, so each culls its tiles against its own frustum: the
// one of the modelview matrix in force while it is drawn. Both copies draw
// the levels chosen once from the camera's own view, so the two pictures
// never show different geometry.
#include "scene/stereo.h"

#include <GL/gl.h>

#include "state/stereo_state.h"
#include "terrain/level_lists.h"
#include "terrain/terrain_list.h"

void draw_terrain_stereo() {
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    choose_terrain_levels();

    glPushMatrix();
    glTranslatef(stereo_separation / 2.0f, 0.0f, 0.0f);
    glRotatef(stereo_angle, 0.0f, 1.0f, 0.0f);
    glColorMask(GL_FALSE, GL_FALSE, GL_TRUE, GL_TRUE);
    draw_visible_terrain();
    glPopMatrix();

    glDrawBuffer(GL_BACK);
    glClear(GL_DEPTH_BUFFER_BIT);

    glPushMatrix();
    glTranslatef(-stereo_separation / 2.0f, 0.0f, 0.0f);
    glRotatef(-stereo_angle, 0.0f, 1.0f, 0.0f);
    glColorMask(GL_TRUE, GL_FALSE, GL_FALSE, GL_TRUE);
    draw_visible_terrain();
    glPopMatrix();

    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

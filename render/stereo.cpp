// The red/blue anaglyph terrain pair.
#include "render/stereo.h"

#include <GL/gl.h>

#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"

void draw_terrain_stereo() {
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);

    glPushMatrix();
    glTranslatef(stereo_separation / 2.0f, 0.0f, 0.0f);
    glRotatef(stereo_angle, 0.0f, 1.0f, 0.0f);
    glColorMask(GL_FALSE, GL_FALSE, GL_TRUE, GL_TRUE);
    glCallList(terrain_list);
    glPopMatrix();

    glDrawBuffer(GL_BACK);
    glClear(GL_DEPTH_BUFFER_BIT);

    glPushMatrix();
    glTranslatef(-stereo_separation / 2.0f, 0.0f, 0.0f);
    glRotatef(-stereo_angle, 0.0f, 1.0f, 0.0f);
    glColorMask(GL_TRUE, GL_FALSE, GL_FALSE, GL_TRUE);
    glCallList(terrain_list);
    glPopMatrix();

    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

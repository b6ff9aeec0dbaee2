// Fog (and, with the sky box, the panoramic sky).
#include "render/sky.h"

#include <GL/gl.h>

#include "state/sky_state.h"

constexpr float FOG_DENSITY = 0.15f;  // set although linear fog does not use it

void apply_fog_settings() {
    static const float fog_colour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, fog_colour);
    glFogf(GL_FOG_DENSITY, FOG_DENSITY);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, fog_start);
    glFogf(GL_FOG_END, fog_end);
}

void toggle_fog() {
    if (fog_on) {
        fog_on = 0;
        glDisable(GL_FOG);
    } else {
        fog_on = 1;
        glEnable(GL_FOG);
        apply_fog_settings();
    }
}

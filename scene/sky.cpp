// The fog switch: the state here, GL_FOG through send_fog_switch (sky_gl.cpp).
#include "scene/sky.h"

#include "state/sky_state.h"

void toggle_fog() {
    fog_on = !fog_on;
    send_fog_switch();
}

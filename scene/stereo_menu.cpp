// The Stereo menu: what each entry does to the stereo state.
#include "scene/stereo.h"
#include "state/stereo_state.h"

constexpr float STEREO_STEP = 0.1f;

void on_stereo_menu(int value) {
    switch (value) {
        case 0: stereo_on = !stereo_on; break;
        case 1:
            stereo_angle += STEREO_STEP;
            stereo_saved_angle = stereo_angle;
            break;
        case 2:
            stereo_angle -= STEREO_STEP;
            stereo_saved_angle = stereo_angle;
            break;
        case 3:
            stereo_separation += STEREO_STEP;
            stereo_saved_separation = stereo_separation;
            break;
        case 4:
            stereo_separation -= STEREO_STEP;
            stereo_saved_separation = stereo_separation;
            break;
        case 5:
            stereo_separation = 0.0f;
            stereo_angle = 0.0f;
            break;
        case 6: stereo_angle = stereo_saved_angle; break;            // "Bring Back Relative Angle "
        case 7: stereo_separation = stereo_saved_separation; break;  // "Bring Back Relative Position "
    }
}

// The Stereo menu: what each entry does to the stereo state.
#include "camera/stereo_camera.h"
#include "scene/stereo.h"
#include "scene/stereo_depth.h"
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
        case STEREO_MENU_RED_CYAN: choose_stereo_mode(STEREO_RED_CYAN); break;
        case STEREO_MENU_SIDE_BY_SIDE: choose_stereo_mode(STEREO_SIDE_BY_SIDE); break;
        case STEREO_MENU_SIDE_BY_SIDE_HALF: choose_stereo_mode(STEREO_SIDE_BY_SIDE_HALF); break;
        case STEREO_MENU_TOP_BOTTOM: choose_stereo_mode(STEREO_TOP_BOTTOM); break;
        case STEREO_MENU_TOP_BOTTOM_HALF: choose_stereo_mode(STEREO_TOP_BOTTOM_HALF); break;
        case STEREO_MENU_ROWS: choose_stereo_mode(STEREO_ROWS); break;
        case STEREO_MENU_RED_BLUE: choose_stereo_mode(STEREO_RED_BLUE); break;
        case STEREO_MENU_MORE_DEPTH: change_stereo_depth(1); break;
        case STEREO_MENU_LESS_DEPTH: change_stereo_depth(-1); break;
    }
}

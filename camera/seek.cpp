// Seeking: the eye moves most of the way to a point over eight drawn frames.
#include "camera/camera.h"
#include "state/camera_state.h"
#include "state/frame_state.h"

constexpr int SEEK_STEPS = 8;
constexpr float SEEK_DIVISOR = 10.0f;

void seek_to_point(float x, float y, float z) {
    float dx = x - camera_eye_x, dy = y - camera_eye_y, dz = z - camera_eye_z;
    for (int i = 0; i < SEEK_STEPS; ++i) {
        camera_eye_x += dx / SEEK_DIVISOR;
        camera_height += dy / SEEK_DIVISOR;
        camera_eye_z += dz / SEEK_DIVISOR;
        show_frame();
    }
}

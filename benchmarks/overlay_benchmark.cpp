// What the overlay and the read-outs cost: frames per second of the default
// world with the overlay shown and hidden, in interleaved blocks of one run.
// Run under an X server from the build directory: xvfb-run ./overlay_benchmark
#include <GL/glut.h>

#include <chrono>
#include <cstdio>
#include <unistd.h>

#include "frame/frame.h"
#include "frame/scene_init.h"
#include "state/app_state.h"
#include "state/overlay_state.h"
#include "state/texture_state.h"

namespace {

double seconds_for_frames(int frames) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) draw_frame();
    glFinish();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("Kestrolane overlay benchmark");
    if (chdir("world") != 0) {
        fprintf(stderr, "run from the build directory, which holds world/\n");
        return 1;
    }
    snprintf(terrain_file_name, sizeof terrain_file_name, "Default.obj");
    snprintf(texture_file_name, sizeof texture_file_name, "Default.raw");
    texture_width = texture_height = 256;
    texture_components = 3;
    init_scene();
    on_reshape(1024, 768);
    seconds_for_frames(30);  // warm up
    const int blocks = 8, frames = 60;
    printf("\nframes per second, default world at 1024 x 768:\n");
    for (int open = 0; open < 2; ++open) {
        geometry_tray_open = view_tray_open = terrain_tray_open = mesh_tray_open = open;
        double shown = 0, hidden = 0;
        for (int b = 0; b < blocks; ++b) {
            overlay_visible = 1;
            shown += seconds_for_frames(frames);
            overlay_visible = 0;
            hidden += seconds_for_frames(frames);
        }
        double fps_shown = blocks * frames / shown, fps_hidden = blocks * frames / hidden;
        printf("  %s: overlay shown %.1f, hidden %.1f; cost of the overlay and read-outs %.1f %%\n",
               open ? "all trays unfolded" : "trays folded (as at start)", fps_shown, fps_hidden,
               100.0 * (1.0 - fps_shown / fps_hidden));
    }
    return 0;
}

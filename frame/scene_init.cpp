// The start-up choices the viewer's dialogue and the flight renderer share.
#include <cstdio>

#include "frame/scene_init.h"
#include "state/app_state.h"
#include "state/texture_state.h"

void use_default_start_files() {
    texture_components = 3;
    texture_width = texture_height = 256;
    snprintf(terrain_file_name, sizeof terrain_file_name, "%s", "Default.obj");
    snprintf(texture_file_name, sizeof texture_file_name, "%s", "Default.raw");
}

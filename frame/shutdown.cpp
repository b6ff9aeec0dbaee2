// Ending the program from the window.
#include "frame/shutdown.h"

#include <cstdio>
#include <cstdlib>

#include "overlay/overlay_textures.h"
#include "terrain/terrain_list.h"
#include "terrain/texture.h"

void exit_viewer() {
    printf("\n\n\n\n\n\n THANK YOU FOR USING KESTROLANE \n\n\n\n\n\n\n\n");
    fflush(stdout);
    release_terrain_texture();
    release_overlay_textures();
    release_terrain();
    exit(0);
}

// The handlers of the pop-up menu's entries: what each choice does (no GL of
// their own; the menu tree is built in menus_gl.cpp).
#include <cstdio>

#include "app/menus.h"
#include "frame/frame.h"
#include "frame/shutdown.h"
#include "overlay/file_panel.h"
#include "overlay/help_mode.h"
#include "state/file_panel_state.h"
#include "state/geometry_edit_state.h"
#include "state/mesh_edit_state.h"
#include "state/overlay_state.h"
#include "state/terrain_draw_state.h"
#include "state/world_state.h"
#include "terrain/terrain_list.h"

constexpr float EDIT_AMOUNT_STEP = 1.5f;

namespace {

// The name behind a menu value, or null for a value no file was given.
const char* menu_name(AssetName* names, int value) {
    if (value < FIRST_MENU_VALUE || value > LAST_MENU_VALUE || names[value][0] == '\0') return nullptr;
    return names[value];
}

// Prints the chosen name (no line end), as every asset menu does.
const char* announce_menu_choice(AssetName* names, int value) {
    const char* name = menu_name(names, value);
    if (name) {
        printf("%s", name);
        fflush(stdout);
    }
    return name;
}

}  // namespace

void on_main_menu(int value) {
    switch (value) {
        case 1: toggle_help_mode(false); break;
        case 2:
            show_message("Kestrolane terrain flythrough and anaglyph stereo viewer, by the Kestrolane terrain team");
            draw_frame();
            break;
        case 3: exit_viewer();
    }
}

void on_dem_menu(int value) {
    const char* name = announce_menu_choice(dem_menu_names, value);
    if (!name) return;
    // The loader reads counts and extents afresh and keeps the current
    // terrain if the file is refused, so they are not cleared here.
    choose_dem(name, &file_panel_lists_dem);
    draw_frame();
}

void on_raster_menu(int value) {
    if (const char* name = announce_menu_choice(drape_menu_names, value)) {
        choose_drape("/Drape/", name, &file_panel_lists_drape);
    }
}

void on_map_menu(int value) {
    if (const char* name = announce_menu_choice(map_menu_names, value)) {
        choose_drape("/Map/", name, &file_panel_lists_map);
    }
}

void on_terrain_menu(int value) {
    switch (value) {
        case 0: set_render_mode(RENDER_POINT_CLOUD); break;
        case 1: set_render_mode(RENDER_WIRE_FRAME); break;
        case 2: set_render_mode(RENDER_FILLED); break;
        case 3: increase_exaggeration(); break;
        case 4: decrease_exaggeration(); break;
        case 5: toggle_textures(); break;
        case 6: toggle_average_normals(); break;
        case 7: reverse_winding_order(); break;
        case 8: edit_amount += EDIT_AMOUNT_STEP; break;
        case 9: edit_amount -= EDIT_AMOUNT_STEP; break;
    }
}

void on_augmentation_menu(int value) {
    switch (value) {
        case 0: augment_kind = 0; break;
        case 1: augment_kind = 1; break;
        case 2: augment_billboard = 0; break;
        case 3: augment_billboard = 1; break;
        case 4: augment_billboard = 2; break;
    }
}

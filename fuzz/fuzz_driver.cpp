// Fuzz target: random sequences of keys, arrow keys, menu choices, mouse
// actions and idle frames fed to the callbacks, with the GL shell left out
// (headless_shell.cpp). The callbacks run in a small world of their own whose
// asset folders hold good files and hostile ones: empty and non-finite
// terrains, a huge info file, bad flights, and named pipes.
//
// An input that starts with 'q' runs as if started with "-q". Then each event
// takes two or three bytes:
//   k & 7 = 0        key: the next byte to on_keyboard (Escape only while a
//                    name is typed: it would end the program)
//   1 / 2            arrow key down / up: next byte, bit 7 set: that byte's low
//                    bits as any special key code, else Left/Up/Right/Down;
//                    bits 2-4 the Shift, Ctrl, Alt modifiers
//   3                menu: the next byte picks the menu, the one after is the
//                    value (signed, so values no entry has come too)
//   4                idle frames: 1 + the next byte mod 16
//   5                mouse: a pick of any face number (in range or not), the
//                    Record Flythrough and Save Geometry buttons, an edit-mode
//                    toggle of the trays
//   6                window: the next byte picks the callback, the two after
//                    are a point (256ths of the window's width and height,
//                    from the top left): op & 7 = 0 a left press (bits 3-5
//                    the modifiers held), 1 a left release, 2 another
//                    button's press, 3 a drag, 4 a passive motion, 5 a reshape
//                    to 16 x first by 12 x second byte (0 too), 6 a click on
//                    hot spot (first byte mod the slots), 7 a press on the
//                    file list's row (second byte mod the rows)
//   7                prompt step, the next byte: op & 15 = 0 Record
//                    Flythrough, 1 Space (stop and name the flight), 2 Save
//                    Geometry Layer, 3 Save DEM (each clicked on its tray), 4-7
//                    choice op >> 4 of the Flythrough, Vector, DEM or Raster
//                    menu, 8 a letter, 9 Enter, 10 Backspace, 11 Escape, 12 a
//                    sphere placed, 13 a character names do not take, 14 a
//                    file list opened and its row op >> 4 pressed, 15 idle
//                    frames; sequences of them combine the prompts (record,
//                    then save a layer, then load...)
// Every event is followed by one idle frame, as the event loop draws them.
// After each input the writable folders hold only what a save may leave:
// .flt files in Flythrough, .vec files in Vector, none hidden.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "app/asset_menus.h"
#include "app/menus.h"
#include "camera/camera.h"
#include "files/asset_dir.h"
#include "files/terrain_file.h"
#include "flythrough/flythrough.h"
#include "flythrough/frame_modes.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/headless_shell.h"
#include "geometry/placement.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "overlay/file_panel.h"
#include "overlay/filename_entry.h"
#include "overlay/tray_actions.h"
#include "overlay/tray_layout.h"
#include "overlay/tray_logic.h"
#include "overlay/tray_table.h"
#include "scene/stereo.h"
#include "state/app_state.h"
#include "state/asset_state.h"
#include "state/camera_state.h"
#include "state/file_panel_state.h"
#include "state/flythrough_state.h"
#include "state/frame_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/session_state.h"
#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/viewer_state.h"
#include "state/world_state.h"
#include "terrain/level_lists.h"
#include "terrain/picking.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_loader.h"
#include "terrain/terrain_mesh.h"

namespace {

const char* const GRID =
    "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 1\nv 1 2 1\nv 2 1 1\nv 0 0 2\nv 1 0 2\nv 2 0 2\n"
    "vt 0 0\nvt 0.5 0\nvt 1 0\nvt 0 0.5\nvt 0.5 0.5\nvt 1 0.5\nvt 0 1\nvt 0.5 1\nvt 1 1\n"
    "f 1/1/1 4/4/4 2/2/2\nf 2/2/2 4/4/4 5/5/5\nf 2/2/2 5/5/5 3/3/3\nf 3/3/3 5/5/5 6/6/6\n"
    "f 4/4/4 7/7/7 5/5/5\nf 5/5/5 7/7/7 8/8/8\nf 5/5/5 8/8/8 6/6/6\nf 6/6/6 8/8/8 9/9/9\n";

struct WorldFile {
    const char* path;
    const char* text;  // null: a named pipe; "/": a directory
};

// Each sample file stands for a kind of input a user may leave in a folder.
const WorldFile WORLD[] = {
    {"Default.obj", GRID},
    {"DEM/grid.dem", GRID},
    {"DEM/odd.dem", "v 0 0 0\nv 0 0 1\nv 1 0 0\nv 1 0 1\nv 5 0 5\nvt 0 0\nvt 0 1e-3\nvt 2 -7\n"
                    "f 1/1/1 2/2/2 3/3/3\nf 3/3/3 2/2/2 4/4/4\nf 5/5/5 1/2/3 4/4/4\n"},
    {"DEM/empty.dem", ""},
    {"DEM/noise.dem", "\x01\x7f\xfe v\x00\nvt\n\xff f 1/1/1\n"},
    {"DEM/nan.dem", "v 0 0 0\nv nan 0 1\nv 1 0 0\nf 1/1/1 2/2/2 3/3/3\n"},
    {"DEM/huge-vt.dem", "v 0 0 0\nv 0 0 1\nv 1 0 0\nvt 0 1e39\nf 1/1/1 2/2/2 3/3/3\n"},
    {"DEM/pipe.dem", nullptr},
    {"DEM/folder.dem", "/"},
    {"Drape/shade.raw", "\x40\x80\xc0\x40\x80\xc0\x40\x80\xc0\x40\x80\xc0"},
    {"Drape/shade.info", "2 2 3\n"},
    {"Drape/huge.raw", "0123456789"},
    {"Drape/huge.info", "16384 16384 4\n"},
    {"Drape/pipe.raw", nullptr},
    {"Drape/pipe.info", "2 2 3\n"},
    {"Drape/noinfo.raw", "abcd"},
    {"Map/grey.raw", "\x10\x20\x30\x40\x50\x60"},
    {"Map/grey.info", "3 2 1\n"},
    {"Map/infopipe.raw", "\x10\x20\x30\x40"},
    {"Map/infopipe.info", nullptr},
    {"Flythrough/tour.flt", "4\n0 5 0 0 5 -1\n2 0 5 -0.1\n2 0.1 5 -0.1\n-2 0.2 6 0\n0 0.3 6 0\n"},
    {"Flythrough/nan.flt", "2\n0 0 0 0 0 -1\nnan 0 0 0\n1 0 0 0\n"},
    {"Flythrough/huge.flt", "2\n0 0 0 0 0 -1\n3e9 0 0 0\n1e39 inf 0 0\n"},
    {"Flythrough/zero.flt", "0\n0 0 0 0 0 -1\n"},
    {"Flythrough/pipe.flt", nullptr},
    {"Flythrough/a.flt", nullptr},  // typed "a" then Enter saves onto a pipe
    {"Vector/layer.vec", "1\n0 1 2 3 0 0 0 5 0\n"},
    {"Vector/pipe.vec", nullptr},
};

const char* const WRITABLE[] = {"Flythrough", "Vector"};

std::vector<std::string> world_names;  // every file the world starts with
TerrainParse start_mesh;                // the start-up terrain, copied back before each input
std::vector<unsigned char> start_image;
int start_width, start_height, start_components;

void make_world() {
    std::string dir = fuzz_scratch_dir() + "/world";
    fuzz_require(mkdir(dir.c_str(), 0755) == 0 && chdir(dir.c_str()) == 0, "world made");
    for (const char* d : {"DEM", "Drape", "Map", "Flythrough", "Vector"}) mkdir(d, 0755);
    for (const WorldFile& f : WORLD) {
        world_names.push_back(f.path);
        if (!f.text) {
            fuzz_require(mkfifo(f.path, 0644) == 0, "pipe made");
        } else if (strcmp(f.text, "/") == 0) {
            fuzz_require(mkdir(f.path, 0755) == 0, "folder made");
        } else {
            FILE* out = fopen(f.path, "wb");
            fuzz_require(out != nullptr, "world file made");
            fwrite(f.text, 1, strlen(f.text), out);
            fclose(out);
        }
    }
    std::string texture(4 * 4 * 3, '\x55');
    FILE* out = fopen("Default.raw", "wb");
    fwrite(texture.data(), 1, texture.size(), out);
    fclose(out);
    world_names.push_back("Default.raw");
}

void scan_folders() {
    scan_asset_names("./DEM", ".dem", dem_menu_names, dem_panel_names, nullptr);
    scan_asset_names("./Drape", ".raw", drape_menu_names, drape_panel_names, nullptr);
    scan_asset_names("./Map", ".raw", map_menu_names, map_panel_names, nullptr);
    scan_asset_names("./Flythrough", ".flt", flythrough_menu_names, flythrough_panel_names, nullptr);
    scan_asset_names("./Vector", ".vec", vector_menu_names, vector_panel_names, nullptr);
}

// When the writable folders last changed: an unchanged folder needs no look.
struct timespec folder_times[2];

bool folders_changed() {
    bool changed = false;
    for (int k = 0; k < 2; ++k) {
        struct stat info;
        stat(WRITABLE[k], &info);
        changed = changed || info.st_mtim.tv_sec != folder_times[k].tv_sec ||
                  info.st_mtim.tv_nsec != folder_times[k].tv_nsec;
        folder_times[k] = info.st_mtim;
    }
    return changed;
}

bool ends_with(const std::string& text, const char* end) {
    size_t n = strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// Removes what the previous input saved, so that every input starts in the
// same world; each saved file must be one a menu lists: a flight in
// Flythrough, a layer in Vector, with a name that does not hide it.
void clean_saved_files() {
    if (!folders_changed()) return;
    for (const char* d : WRITABLE) {
        AssetDir* dir = open_dir(d);
        std::vector<std::string> extra;
        while (const char* name = read_dir(dir)) {
            std::string path = std::string(d) + "/" + name;
            bool known = strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
            for (const std::string& w : world_names) known = known || w == path;
            if (known) continue;
            fuzz_require(name[0] != '.', "a save leaves no hidden file (a dot name or a temporary)");
            fuzz_require(ends_with(name, strcmp(d, "Flythrough") == 0 ? ".flt" : ".vec"),
                         "a flight is saved in Flythrough, a layer in Vector");
            extra.push_back(path);
        }
        close_dir(dir);
        for (const std::string& path : extra) unlink(path.c_str());
    }
    folders_changed();  // the removals changed the times again
}

void copy_start_mesh() {
    TerrainParse copy;
    fuzz_require(allocate_terrain_parse(&copy, start_mesh.vertex_count, start_mesh.face_count), "mesh copied");
    memcpy(copy.vertices, start_mesh.vertices, sizeof(TerrainVertex) * start_mesh.vertex_count);
    memcpy(copy.faces, start_mesh.faces, sizeof(TerrainFace) * start_mesh.face_count);
    copy.min_x = start_mesh.min_x, copy.max_x = start_mesh.max_x;
    copy.min_y = start_mesh.min_y, copy.max_y = start_mesh.max_y;
    copy.min_z = start_mesh.min_z, copy.max_z = start_mesh.max_z;
    install_terrain_mesh(&copy);
    apply_terrain_settings();
}

// What start-up does before the load: the window's size and layout.
void start_window() {
    window_width = 1024, window_height = 768;
    layout_overlay();
    setup_file_rows(window_height);
}

// Every asset name table, and what the start-up scan put in them: the world's
// folders are put back as they were before each input, so a scan would list
// the same names (and scanning five folders per input would halve the speed).
const std::pair<AssetName*, int> NAME_TABLES[] = {
    {dem_menu_names, MENU_TABLE_ROWS},        {dem_panel_names, PANEL_TABLE_ROWS},
    {drape_menu_names, MENU_TABLE_ROWS},      {drape_panel_names, PANEL_TABLE_ROWS},
    {map_menu_names, MENU_TABLE_ROWS},        {map_panel_names, PANEL_TABLE_ROWS},
    {flythrough_menu_names, MENU_TABLE_ROWS}, {flythrough_panel_names, PANEL_TABLE_ROWS},
    {vector_menu_names, MENU_TABLE_ROWS},     {vector_panel_names, PANEL_TABLE_ROWS},
};
std::vector<std::string> start_names;

// The state a fresh start has after the start-up load, for every input.
void reset_state() {
    stop_terrain_levels();  // the threads read what the reset frees
    clean_saved_files();
    reset_viewer_state();
    // Levels at any size, of tiles of two faces: the small worlds get several
    // tiles and groups, so the scheduler's building, installing and choosing run.
    terrain_lod_forced = 1;
    terrain_tile_faces = 2;
    start_window();
    shell_modifier_keys = 0;
    for (size_t k = 0; k < start_names.size(); ++k) {
        memcpy(NAME_TABLES[k].first, start_names[k].data(), start_names[k].size());
    }
    copy_start_mesh();
    rebuild_terrain_list(false);
    unsigned char* image = (unsigned char*)malloc(start_image.size());
    memcpy(image, start_image.data(), start_image.size());
    terrain_image = image;
    texture_width = start_width, texture_height = start_height;
    texture_components = terrain_image_components = start_components;
}

void mouse_event(uint8_t what, uint8_t amount) {
    switch (what % 6) {
        case 0: {
            // A pick lands on a face; the number need not be one the mesh has.
            picked_face = (int)(int8_t)amount * 3 + (what >> 3);
            mark_picked_corners(picked_face);
            break;
        }
        case 1: {
            // A left press on the overlay: anywhere over the disk and its trays.
            int x = 300 + (amount & 0x0f) * 27 + (what >> 4), y = 180 + (amount >> 4) * 26 + (what >> 4);
            hit_test_overlay(x, y);
            break;
        }
        case 2:
            // A press on the file list's rows (or beside them).
            file_panel_click((what >> 3) * 12, 767 - (amount % 24) * 20 - 20);
            break;
        case 3: release_mouse_holds(); break;
        case 4: drag_look_pad((int)amount * 3); break;
        case 5: {
            int* modes[] = {&light_edit_mode,         &vertex_edit_mode, &line_edit_mode,    &face_edit_mode,
                            &geometry_transform_mode, &replicate_mode,   &material_edit_mode, &help_mode};
            int* mode = modes[amount % 8];
            *mode = !*mode;
            break;
        }
    }
}

void menu_event(uint8_t menu, uint8_t value_byte) {
    int value = (int8_t)value_byte;
    switch (menu % 9) {
        case 0:
            if (value != 3) on_main_menu(value);  // 3 is Exit
            break;
        case 8: on_vector_menu(value); break;
        case 1: on_dem_menu(value); break;
        case 2: on_raster_menu(value); break;
        case 3: on_map_menu(value); break;
        case 4: on_flythrough_menu(value); break;
        case 5: on_terrain_menu(value); break;
        case 6: on_stereo_menu(value); break;
        case 7: on_augmentation_menu(value); break;
    }
}

// A point at share / 256 of the window's width or height.
int window_share(uint8_t share, int size) { return (int)((long)share * size / 256); }

// Presses and releases the left button over hot spot `slot`, as a click does.
void click_slot(int slot) {
    const HotSpot& spot = hot_spots[slot];
    int x = (int)spot.cx, y = window_height - 1 - (int)spot.cy;
    on_mouse(MOUSE_LEFT_BUTTON, MOUSE_BUTTON_DOWN, x, y);
    on_mouse(MOUSE_LEFT_BUTTON, !MOUSE_BUTTON_DOWN, x, y);
}

// Presses the left button on row `row` of the file list.
void press_file_row(int row) {
    on_mouse(MOUSE_LEFT_BUTTON, MOUSE_BUTTON_DOWN, 40, window_height - 1 - file_row_y[row]);
}

void window_event(uint8_t op, uint8_t a, uint8_t b) {
    int x = window_share(a, window_width), y = window_share(b, window_height);
    switch (op & 7) {
        case 0:
            shell_modifier_keys = (op >> 3) & 7;
            on_mouse(MOUSE_LEFT_BUTTON, MOUSE_BUTTON_DOWN, x, y);
            break;
        case 1: on_mouse(MOUSE_LEFT_BUTTON, !MOUSE_BUTTON_DOWN, x, y); break;
        case 2: on_mouse(MOUSE_LEFT_BUTTON + 1 + (op >> 3) % 2, MOUSE_BUTTON_DOWN, x, y); break;
        case 3: on_motion(x, y); break;
        case 4: on_passive_motion(x, y); break;
        case 5: on_reshape(a * 16, b * 12); break;
        case 6: click_slot(a % HOT_SPOT_SLOTS); break;
        case 7: press_file_row(b % FILE_PANEL_ROWS); break;
    }
}

// Clicks the element of `operation`, its tray unfolded first and nothing over
// the overlay, as a user would to reach it.
void click_operation(TrayOperation operation) {
    for (const TrayElement& e : TRAY_ELEMENTS) {
        if (e.operation != operation) continue;
        if (int* tray = tray_open_flag(tray_needed_by(e))) *tray = 1;
        overlay_visible = 1;
        file_panel_open = 0;
        click_slot(e.slot);
        return;
    }
}

void prompt_step(uint8_t op) {
    const int choice = op >> 4;
    switch (op & 15) {
        case 0: click_operation(OP_RECORD_FLYTHROUGH); break;
        case 1: on_keyboard(' ', 0, 0); break;
        case 2: click_operation(OP_SAVE_GEOMETRY); break;
        case 3: click_operation(OP_SAVE_DEM); break;
        case 4: on_flythrough_menu(choice); break;
        case 5: on_vector_menu(choice); break;
        case 6: on_dem_menu(choice); break;
        case 7: on_raster_menu(choice); break;
        case 8: on_keyboard((unsigned char)('a' + choice), 0, 0); break;
        case 9: on_keyboard(13, 0, 0); break;
        case 10: on_keyboard(8, 0, 0); break;
        case 11:
            if (filename_entry_active) on_keyboard(27, 0, 0);  // otherwise it ends the program
            break;
        case 12: on_keyboard('S', 0, 0); break;
        case 13: {
            const unsigned char awkward[8] = {'.', '/', '\\', ' ', 1, 0xe9, '~', 127};
            on_keyboard(awkward[choice & 7], 0, 0);
            break;
        }
        case 14: {
            int* lists[] = {&file_panel_lists_dem, &file_panel_lists_drape, &file_panel_lists_map,
                            &file_panel_lists_flythrough, &file_panel_lists_vector};
            open_file_panel(lists[choice % 5]);
            press_file_row(choice % FILE_PANEL_ROWS);
            break;
        }
        case 15:
            for (int n = choice; n >= 0; --n) draw_frame();
            break;
    }
}

void special_key_event(uint8_t b, bool down) {
    int key = (b & 0x80) ? (b & 0x7f) : 100 + (b & 3);
    int modifiers = (b >> 2) & 7;
    if (!down) {
        apply_special_key_up(key);
        return;
    }
    press_arrow_key(key, modifiers);  // on_special_key but for F12's screenshot
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    set_frame_drawer(draw_frame);
    set_asset_relister(relist_asset_menu);
    make_world();
    start_window();
    scan_folders();
    for (const auto& table : NAME_TABLES) {
        start_names.emplace_back((const char*)table.first, sizeof(AssetName) * table.second);
    }
    if (!load_terrain("Default.obj", "Default.raw", 3, 4, 4, 0)) abort();
    // Keep the start-up mesh and image to go back to before each input.
    fuzz_require(allocate_terrain_parse(&start_mesh, terrain_vertex_count, terrain_face_count), "start copy");
    memcpy(start_mesh.vertices, terrain_vertices, sizeof(TerrainVertex) * terrain_vertex_count);
    memcpy(start_mesh.faces, terrain_faces, sizeof(TerrainFace) * terrain_face_count);
    start_mesh.min_x = terrain_min_x, start_mesh.max_x = terrain_max_x;
    start_mesh.min_y = terrain_min_y, start_mesh.max_y = terrain_max_y;
    start_mesh.min_z = terrain_min_z, start_mesh.max_z = terrain_max_z;
    start_width = texture_width, start_height = texture_height, start_components = terrain_image_components;
    start_image.assign(terrain_image, terrain_image + (size_t)texture_width * texture_height * start_components);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    reset_state();
    size_t i = 0;
    if (size > 0 && data[0] == 'q') {  // started with "-q": face pairs compile as quads
        terrain_primitive = PRIMITIVE_QUADS;
        i = 1;
    }
    auto next = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
    while (i < size) {
        uint8_t kind = next();
        switch (kind & 7) {
            case 1: special_key_event(next(), true); break;
            case 2: special_key_event(next(), false); break;
            case 3: {
                uint8_t menu = next();
                menu_event(menu, next());
                break;
            }
            case 4:
                for (int n = next() % 16; n >= 0; --n) draw_frame();
                break;
            case 5: {
                uint8_t what = next();
                mouse_event(what, next());
                break;
            }
            case 6: {
                uint8_t op = next(), a = next();
                window_event(op, a, next());
                break;
            }
            case 7: prompt_step(next()); break;
            default: {
                uint8_t key = next();
                if (key != 27 || filename_entry_active) on_keyboard(key, 0, 0);
                break;
            }
        }
        draw_frame();
        // What every callback must leave behind.
        fuzz_require(mode_normal + mode_record + mode_playback == 1, "exactly one camera mode");
        fuzz_require(flythrough_frame >= 0 && flythrough_frame <= FLYTHROUGH_CAPACITY, "the sample index in range");
        fuzz_require(filename_length >= 0 && filename_length < FILENAME_TEXT_SIZE, "the typed name fits its buffer");
        fuzz_require(filename_entry_saves_flythrough + filename_entry_saves_vector == filename_entry_active,
                     "an open name prompt saves one thing, a closed one nothing");
        fuzz_require(window_height >= 1, "the window is at least one pixel high");
        fuzz_require(geometry_item_count >= 0 && geometry_item_count <= MAX_GEOMETRY_ITEMS, "the layer fits");
        fuzz_require(terrain_vertex_count > 0 && terrain_face_count > 0, "a terrain is always loaded");
    }
    // Whatever the threads still build is installed and drawn with.
    wait_for_terrain_levels();
    draw_frame();
    fuzz_require(terrain_levels_pending == 0, "every queued level is installed");
    return 0;
}

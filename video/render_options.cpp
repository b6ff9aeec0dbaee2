// The command line of the flight-rendering mode.
#include "video/render_options.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "camera/stereo_camera.h"
#include "files/same_file.h"
#include "files/texture_file.h"
#include "overlay/overlay_textures.h"
#include "scene/sky.h"
#include "state/overlay_state.h"
#include "state/session_state.h"
#include "terrain/terrain_levels.h"

namespace {

// An option that takes a value; `folder` strips a leading "folder/" from asset names.
struct ValueOption {
    const char* name;
    const char* folder;
};

const ValueOption VALUE_OPTIONS[] = {
    {"--terrain", "DEM/"}, {"--drape", "Drape/"}, {"--map", "Map/"}, {"--vector", "Vector/"},
    {"--size", nullptr},   {"--fps", nullptr},    {"--still", nullptr}, {"--lod-error", nullptr},
};

bool fail(char* error, size_t error_size, const char* format, const char* a, const char* b = "") {
    snprintf(error, error_size, format, a, b);
    return false;
}

bool copy_text(char* to, const char* from, const char* what, char* error, size_t error_size) {
    if (strlen(from) >= RENDER_PATH_SIZE) return fail(error, error_size, "the %s is too long: %.60s...", what, from);
    strcpy(to, from);
    return true;
}

// A whole decimal number in [low, high].
bool read_whole_number(const char* text, long low, long high, long* out) {
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end || v < low || v > high) return false;
    *out = v;
    return true;
}

// "WxH" (or "WXH") with both sides whole numbers.
bool read_size(const char* text, int* width, int* height) {
    const char* x = strpbrk(text, "xX");
    if (!x || x == text) return false;
    char left[32];
    size_t n = (size_t)(x - text);
    if (n >= sizeof left) return false;
    memcpy(left, text, n);
    left[n] = '\0';
    long w = 0, h = 0;
    if (!read_whole_number(left, 1, 1000000, &w) || !read_whole_number(x + 1, 1, 1000000, &h)) return false;
    *width = (int)w;
    *height = (int)h;
    return true;
}

bool apply_value(RenderOptions* o, const ValueOption& option, const char* value, char* error, size_t error_size) {
    const char* name = option.name;
    if (option.folder && strncmp(value, option.folder, strlen(option.folder)) == 0) value += strlen(option.folder);
    if (!strcmp(name, "--terrain")) return copy_text(o->terrain, value, "terrain name", error, error_size);
    if (!strcmp(name, "--drape")) return copy_text(o->drape, value, "drape name", error, error_size);
    if (!strcmp(name, "--map")) return copy_text(o->map, value, "map name", error, error_size);
    if (!strcmp(name, "--vector")) return copy_text(o->vector, value, "layer name", error, error_size);
    if (!strcmp(name, "--size")) {
        if (!read_size(value, &o->width, &o->height))
            return fail(error, error_size, "--size wants WIDTHxHEIGHT in pixels, such as 1280x720, not \"%.60s\"", value);
        return true;
    }
    if (!strcmp(name, "--lod-error")) {
        if (!parse_lod_error(value, &o->lod_error))
            return fail(error, error_size,
                        "--lod-error wants the largest error in pixels, such as 1 or 0.5 (0 draws every face "
                        "exactly), not \"%.60s\"",
                        value);
        o->lod_given = true;
        return true;
    }
    long v = 0;
    if (!strcmp(name, "--fps")) {
        if (!read_whole_number(value, 1, RENDER_MAX_FPS, &v))
            return fail(error, error_size, "--fps wants a whole number of frames a second from 1 to 240, not \"%.60s\"",
                        value);
        o->fps = (int)v;
        return true;
    }
    if (!read_whole_number(value, 0, 1000000, &v))
        return fail(error, error_size, "--still wants a frame number (0 is the first frame), not \"%.60s\"", value);
    o->still_frame = (int)v;
    return true;
}

__attribute__((format(printf, 2, 3))) void add_input(RenderInputs* inputs, const char* format, ...) {
    if (inputs->count == RENDER_MOST_INPUTS) return;
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(inputs->paths[inputs->count++], sizeof inputs->paths[0], format, arguments);
    va_end(arguments);
}

void set_defaults(RenderOptions* o) {
    memset(o, 0, sizeof *o);
    o->width = RENDER_DEFAULT_WIDTH;
    o->height = RENDER_DEFAULT_HEIGHT;
    o->fps = RENDER_DEFAULT_FPS;
    o->still_frame = -1;
    o->stereo_mode = STEREO_RED_BLUE;
    o->lod_error = LOD_DEFAULT_ERROR;
}

bool check_size(const RenderOptions* o, char* error, size_t error_size) {
    char size[64];
    bool both = o->width != o->eye_width || o->height != o->eye_height;
    snprintf(size, sizeof size, "%d x %d%s", o->width, o->height, both ? " (both eyes)" : "");
    if (o->width < RENDER_MIN_SIDE || o->height < RENDER_MIN_SIDE || o->width > RENDER_MAX_SIDE ||
        o->height > RENDER_MAX_SIDE)
        return fail(error, error_size, "the size %s is outside 16 to 65535 pixels a side", size);
    if ((long)o->width * o->height > RENDER_MAX_PIXELS)
        return fail(error, error_size, "the size %s is larger than a frame may be (8192 x 4352 pixels at most)", size);
    if (o->still_frame < 0 && (o->width % 2 || o->height % 2))
        return fail(error, error_size, "the size %s has an odd side; H.264 video needs even width and height", size);
    return true;
}

}  // namespace

bool parse_render_options(int argc, const char* const* argv, RenderOptions* out, char* error, size_t error_size) {
    set_defaults(out);
    int positional = 0;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (!strcmp(arg, "--help") || !strcmp(arg, "-h")) {
            out->help = true;
            return true;
        }
        if (!strcmp(arg, "--stereo")) {
            out->stereo = true;
            if (i + 1 < argc && find_stereo_mode(argv[i + 1]) >= 0) out->stereo_mode = find_stereo_mode(argv[++i]);
        } else if (!strncmp(arg, "--stereo=", 9)) {
            out->stereo = true;
            out->stereo_mode = find_stereo_mode(arg + 9);
            if (out->stereo_mode < 0)
                return fail(error, error_size,
                            "--stereo wants red-blue, red-cyan, side-by-side, side-by-side-half, top-bottom, "
                            "top-bottom-half or rows, not \"%.60s\"",
                            arg + 9);
        }
        else if (!strcmp(arg, "--fog")) out->fog = true;
        else if (!strcmp(arg, "--sky")) out->sky = true;
        else if (!strcmp(arg, "--overlay")) out->overlay = true;
        else if (!strcmp(arg, "--no-route")) out->hidden_story |= STORY_ROUTE;
        else if (!strcmp(arg, "--no-marker")) out->hidden_story |= STORY_MARKER;
        else if (!strcmp(arg, "--no-labels")) out->hidden_story |= STORY_LABELS;
        else if (!strcmp(arg, "--no-readouts")) out->hidden_story |= STORY_READOUTS;
        else if (!strcmp(arg, "--no-profile")) out->hidden_story |= STORY_PROFILE;
        else if (arg[0] == '-' && arg[1] == '-') {
            const ValueOption* option = nullptr;
            const char* value = nullptr;
            for (const ValueOption& o : VALUE_OPTIONS) {
                size_t n = strlen(o.name);
                if (strncmp(arg, o.name, n) != 0 || (arg[n] != '\0' && arg[n] != '=')) continue;
                option = &o;
                if (arg[n] == '=') value = arg + n + 1;
            }
            if (!option) return fail(error, error_size, "unknown option %.60s", arg);
            if (!value) {
                if (i + 1 >= argc) return fail(error, error_size, "%s needs a value", option->name);
                value = argv[++i];
            }
            if (!apply_value(out, *option, value, error, error_size)) return false;
        } else if (positional == 0) {
            if (!copy_text(out->flight_path, arg, "flight path", error, error_size)) return false;
            ++positional;
        } else if (positional == 1) {
            if (!copy_text(out->output_path, arg, "output path", error, error_size)) return false;
            ++positional;
        } else {
            return fail(error, error_size, "one flight and one output are expected; \"%.60s\" is one too many", arg);
        }
    }
    if (positional < 2)
        return fail(error, error_size, "%s", positional == 0 ? "name the flight (.flt or .ride) and the output file" :
                                                               "name the output file after the flight");
    if (out->drape[0] && out->map[0])
        return fail(error, error_size, "%s", "--drape and --map both replace the terrain's picture; give one of them");
    out->eye_width = out->width;
    out->eye_height = out->height;
    if (out->stereo) stereo_output_size(out->stereo_mode, out->eye_width, out->eye_height, &out->width, &out->height);
    return check_size(out, error, error_size);
}

static_assert(5 + 2 + NAVI_PICTURES + BILLBOARD_PICTURES + 1 + SKY_FACES <= RENDER_MOST_INPUTS,
              "every file a run reads has a place in RenderInputs");

void list_render_inputs(const RenderOptions& o, const char* terrain_file, const char* texture_file,
                        RenderInputs* inputs) {
    inputs->count = 0;
    add_input(inputs, "%s", o.flight_path);
    add_input(inputs, "%s", terrain_file);
    add_input(inputs, "%s", texture_file);
    if (o.terrain[0]) add_input(inputs, "DEM/%s", o.terrain);
    if (o.vector[0]) add_input(inputs, "Vector/%s", o.vector);
    if (o.drape[0] || o.map[0]) {
        // The paths the drape loader reads: the image and the info file named up to its first '.'.
        char request[RENDER_PATH_SIZE + 16], image[TEXTURE_PATH_SIZE], info[TEXTURE_PATH_SIZE], error[RENDER_ERROR_SIZE];
        snprintf(request, sizeof request, "/%s/%s", o.drape[0] ? "Drape" : "Map", o.drape[0] ? o.drape : o.map);
        if (drape_paths(request, image, sizeof image, info, sizeof info, error, sizeof error) >= 0) {
            add_input(inputs, "%s", image);
            add_input(inputs, "%s", info);
        }
    }
    for (int i = 0; i < NAVI_PICTURES; ++i) add_input(inputs, NAVI_PICTURE_NAME, i);
    for (int i = 0; i < BILLBOARD_PICTURES; ++i) add_input(inputs, BILLBOARD_PICTURE_NAME, i);
    add_input(inputs, "%s", HANDLE_PICTURE_NAME);
    for (int i = 0; i < SKY_FACES; ++i) add_input(inputs, SKY_PICTURE_NAME, i);
}

bool check_output_apart(const RenderOptions& o, const RenderInputs& inputs, char* error, size_t error_size) {
    for (int i = 0; i < inputs.count; ++i)
        if (is_same_file(o.output_path, inputs.paths[i]))
            return fail(error, error_size, "Will not write %s: it is %s, which this run reads; name another output",
                        o.output_path, inputs.paths[i]);
    return true;
}

void print_render_help(FILE* out) {
    fprintf(out,
            "Usage:\n"
            "  kestrolane [-q] [--lod-error PX]                     start the viewer\n"
            "  kestrolane --render-flight FLIGHT.flt OUTPUT.mp4 [options]\n"
            "  kestrolane --render-flight FLIGHT.flt OUTPUT.png --still N [options]\n"
            "  kestrolane --render-flight TRACK.ride OUTPUT.mp4 [options]\n"
            "\n"
            "Renders every frame of a recorded flythrough as playback shows it and encodes\n"
            "an H.264 MP4 through ffmpeg. A fly-over of a track (Flythrough/TRACK.ride,\n"
            "written by kestrolane-import --track) is rendered at any length, with the\n"
            "route, the rider, waypoint names, read-outs and an elevation profile.\n"
            "Run it in a world directory (such as build/world):\n"
            "the terrain, its picture, the sky and the asset folders are read from there.\n"
            "With no display it renders on a private X server (Xvfb) of its own.\n"
            "\n"
            "Options:\n"
            "  --terrain NAME   a terrain of the DEM folder (default: the start-up terrain)\n"
            "  --drape NAME     a drape of the Drape folder over the terrain\n"
            "  --map NAME       a map of the Map folder over the terrain\n"
            "  --vector NAME    a geometry layer of the Vector folder\n"
            "  --size WxH       frame size in pixels (default %dx%d; even sides for video);\n"
            "                   with stereo, each eye's picture\n"
            "  --fps N          frames a second of the video (default %d; one frame per sample)\n"
            "  --stereo [MODE]  stereo: red-blue (the default), red-cyan, side-by-side,\n"
            "                   side-by-side-half, top-bottom, top-bottom-half or rows\n"
            "  --fog            fog\n"
            "  --sky            the panoramic sky box\n"
            "  --overlay        draw the navigation disk, read-outs and message line too\n"
            "  --still N        write frame N (0 is the start pose) as a PNG instead of a video\n"
            "  --no-route, --no-marker, --no-labels, --no-readouts, --no-profile\n"
            "                   leave that out of a fly-over (.ride)\n"
            "  --lod-error PX   draw distant ground simplified within PX pixels of the real\n"
            "                   surface (default 1, for terrains over 500,000 faces; 0 draws\n"
            "                   every face)\n"
            "  --help           this text\n",
            RENDER_DEFAULT_WIDTH, RENDER_DEFAULT_HEIGHT, RENDER_DEFAULT_FPS);
}

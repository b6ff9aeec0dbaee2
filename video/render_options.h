// The command line of the flight-rendering mode: its options, defaults and limits (no GL).
#pragma once

#include <cstddef>
#include <cstdio>

constexpr const char* RENDER_FLIGHT_OPTION = "--render-flight";  // argv[1] that selects the mode
constexpr int RENDER_DEFAULT_WIDTH = 1920;   // pixels
constexpr int RENDER_DEFAULT_HEIGHT = 1080;  // pixels
constexpr int RENDER_DEFAULT_FPS = 30;       // frames a second of the video
constexpr int RENDER_MIN_SIDE = 16;          // smallest width or height, pixels
constexpr int RENDER_MAX_SIDE = 65535;       // largest width or height taken; the GL may allow less
constexpr long RENDER_MAX_PIXELS = 35651584; // largest frame: H.264's largest level (8192 x 4352)
constexpr int RENDER_MAX_FPS = 240;          // largest frame rate
constexpr int RENDER_PATH_SIZE = 512;        // bytes of a path or asset name
constexpr int RENDER_ERROR_SIZE = 640;       // bytes of a message
constexpr int RENDER_MOST_INPUTS = 24;       // files one run reads, at most

// What a fly-over (.ride) shows over the scene; each can be left out.
enum StoryPart {
    STORY_ROUTE = 1,      // the route as a line over the ground, the part travelled apart from the part to come
    STORY_MARKER = 2,     // the rider
    STORY_LABELS = 4,     // waypoint names beside their signposts
    STORY_READOUTS = 8,   // distance done and total, elevation, time of day
    STORY_PROFILE = 16,   // the elevation profile with the rider's place on it
};

// What one run of the mode renders and how.
struct RenderOptions {
    char flight_path[RENDER_PATH_SIZE];  // the .flt to render, as given
    char output_path[RENDER_PATH_SIZE];  // the MP4 (or the PNG with --still), as given
    char terrain[RENDER_PATH_SIZE];      // a terrain of ./DEM; "" keeps the start-up terrain
    char drape[RENDER_PATH_SIZE];        // a drape of ./Drape; "" for none
    char map[RENDER_PATH_SIZE];          // a map of ./Map; "" for none
    char vector[RENDER_PATH_SIZE];       // a geometry layer of ./Vector; "" for none
    int width;                           // frame width, pixels (both eyes' in the full side-by-side format);
                                         // RENDER_MIN_SIDE..RENDER_MAX_SIDE, even for a video;
                                         // width x height <= RENDER_MAX_PIXELS
    int height;                          // frame height, pixels (both eyes' in the full top-bottom format); as width
    int eye_width, eye_height;           // --size: one eye's picture (the frame's in mono), pixels
    int fps;                             // frames a second; 1..RENDER_MAX_FPS
    int still_frame;                     // frame written as a PNG; -1 renders the video
    bool stereo;                         // stereo on, in stereo_mode
    int stereo_mode;                     // a StereoMode (camera/stereo_camera.h); red/blue for a bare --stereo
    bool fog;                            // fog on
    bool sky;                            // panoramic sky box on
    bool overlay;                        // navigation disk, read-outs and message line drawn
    int hidden_story;                    // StoryPart bits left out of a fly-over
    float lod_error;                     // --lod-error: the terrain's error bound in pixels, >= 0
    bool lod_given;                      // --lod-error was given
    bool help;                           // --help: print the options and do nothing else
};

// Reads the arguments that follow "--render-flight": the flight, the output
// and options in any order ("--size 1280x720" or "--size=1280x720").
// "--stereo" takes a mode name when one follows ("--stereo side-by-side" or
// "--stereo=side-by-side"); alone it means red/blue. --size is one eye's
// picture: the full side-by-side and top-bottom formats double the frame's
// width or height. Asset
// names may carry their folder ("DEM/Canyon.dem" or "Canyon.dem"). Returns
// false with a message for an unknown option, a missing or extra argument, a
// value out of range, a frame larger than RENDER_MAX_PIXELS, an odd size for
// a video (H.264 needs even sides), an unknown stereo mode, both
// a drape and a map, or a path too long. With --help it returns true at once.
// A flight named *.ride is a fly-over of a track: --no-route, --no-marker,
// --no-labels, --no-readouts and --no-profile leave out what it shows.
bool parse_render_options(int argc, const char* const* argv, RenderOptions* out, char* error, size_t error_size);

// The files one run reads, by the paths it opens them with.
struct RenderInputs {
    int count;                                        // 0..RENDER_MOST_INPUTS
    char paths[RENDER_MOST_INPUTS][RENDER_PATH_SIZE + 16];
};

// Lists every file a run of `o` reads: the flight, the start-up terrain and
// texture (terrain_file, texture_file), the terrain, drape or map with its
// info file and the geometry layer asked for, and the pictures of the
// overlay, the billboards, the tray handle and the sky.
void list_render_inputs(const RenderOptions& o, const char* terrain_file, const char* texture_file,
                        RenderInputs* inputs);

// False with a message when o.output_path is the same file as one of
// `inputs` (by device and inode, or by path once links are resolved): the
// finished output would replace it.
bool check_output_apart(const RenderOptions& o, const RenderInputs& inputs, char* error, size_t error_size);

// Prints the usage and every option with its default.
void print_render_help(FILE* out);

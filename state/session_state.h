// The session: what lives for the whole run of the program, and the reset of
// every group that does.
//
// Owns: terrain_lod_error, terrain_lod_forced, terrain_tile_faces,
// level_cache_min_faces, terrain_exact_face_budget, terrain_exact_waits (the
// options that shape how any terrain is drawn, which keep their levels in a
// file and how many own-face lists are kept).
// Lifetime: set once from the command line (tests and benchmarks lower the
// tile size and the cache's threshold); terrain loads leave them alone.
// Writers: app/main.cpp and video/ (the bound and the forced flag; video/
// also the waiting), tests and benchmarks (the tile size, the cache's
// threshold, the budget and the waiting).
//
// Groups of the same lifetime, each with its own header and reset: the
// window, start-up files, menus and light (app_state.h), the asset name tables
// (asset_state.h), the frame counters and the frame hook (frame_state.h),
// frame read-back (capture_state.h), the video encoder (encoder_state.h),
// the level threads (level_work_state.h), the GL and X objects of the
// session (gl_state.h) and the flight renderer (render_state.h).
#pragma once

// Terrains with more faces than this use levels by default; smaller ones are
// drawn exactly unless --lod-error is given.
constexpr int LOD_DEFAULT_MIN_FACES = 500000;
constexpr float LOD_DEFAULT_ERROR = 1.0f;  // pixels

// Faces per tile (a square of about 90 x 90 grid cells). Measured at 2
// million faces (benchmarks/draw_benchmark.cpp): frames cost the same from
// 8192 faces up, smaller tiles only add lists to call; every list costs the
// display-list compiler a few microseconds, so an exaggeration step gets
// slower the smaller the tiles; a vertex edit recompiles up to four tiles,
// 15 ms at this size.
constexpr int TERRAIN_TILE_FACES = 16384;

extern float terrain_lod_error;  // screen-space error bound, pixels; 0 draws every face exactly; >= 0
extern int terrain_lod_forced;   // 1: --lod-error was given, so levels are used at any size
extern int terrain_tile_faces;   // faces a tile should hold at the next full rebuild; >= 2 (tests and benchmarks lower it)
// Faces whose own-face lists a terrain drawn with levels keeps beyond those
// the frame draws (least recently drawn dropped first): flying back over
// ground just left finds it compiled. Some 100 MiB of Mesa's lists; a frame
// at one pixel draws a few hundred thousand of its own faces at most.
constexpr long TERRAIN_EXACT_FACE_BUDGET = 1L << 20;

extern int level_cache_min_faces; // a .dem of more faces keeps its levels in a cache file beside it; LOD_DEFAULT_MIN_FACES (tests lower it)
extern long terrain_exact_face_budget; // faces of own-face lists kept undrawn; TERRAIN_EXACT_FACE_BUDGET; >= 0 (tests lower it)
extern int terrain_exact_waits;  // 1: a frame waits for the own-face lists it draws instead of standing in a level (the renderer, tests and benchmarks: the same pictures however fast the threads are)

// Puts the options back to their start values and resets every group that
// lives for the session (see above; none of them deletes a GL name).
void reset_session_state();
